// The push button painted from bitmaps, used for Run and Exit: a normal, a pushed
// and optionally a hover and a disabled face, and a mask that cuts the window to
// shape and paints the faces through it. The control carries BS_OWNERDRAW from
// its template and is bound by subclassing.
#pragma once
#include "../framework/AfxGdi.h"
#include "../framework/AfxWin.h"

class CSkinnedButton : public CButton {
public:
    CSkinnedButton();
    ~CSkinnedButton() override;

    // Loads the faces (resource identifiers, 0 for none; a missing disabled face
    // is the normal one), sets how they are drawn (mode 0 at their own size, 1
    // stretched, 2 tiled), the 3-D border and the focus-rectangle inset (0: none),
    // and sizes the button to the normal face when fitToNormal is set. A mask
    // shapes the window and, in mode 0, sizes it.
    void ApplySkin(int normal, int pressed, int hover, int disabled, int mask, int drawMode, int border,
                   int focusMargin, int fitToNormal);

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    // Paints bmp into rc by drawMode, through the mask when there is one (modes 0 and 1).
    void PaintStateBitmap(CDC* pDC, HBITMAP bmp, const RECT& rc, int drawMode);
    // Repeats bmp over rc from its top-left corner, the last copies cut at the edges.
    void TileBitmap(CDC* pDC, HBITMAP bmp, const RECT& rc);
    // The region of bmp's pixels that differ from key, in bitmap coordinates; null
    // for no bitmap. The caller owns it.
    HRGN RegionFromMask(HBITMAP bmp, COLORREF key);

    int m_bHover;    // pointer over the button, leave notification armed
    int m_bPressed;  // left button pressed on the button and not yet released
    CBitmap m_bmpNormal;
    CBitmap m_bmpPressed;
    CBitmap m_bmpDisabled;
    CBitmap m_bmpMask;
    CBitmap m_bmpHover;
    short m_nFocusMargin;
    COLORREF m_crText;
    HRGN m_hRgn;  // handed to the window, which owns it from then on
    int m_bBorder;
    short m_nDrawMode;

protected:
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnKillFocus(CWnd* pNewWnd);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    // Width and height of bmp; 0 by 0 for none.
    static SIZE BitmapSize(HBITMAP bmp);
    // Paints bmp, or the button face colour when there is none.
    void PaintOrFill(CDC* pDC, const CBitmap& bmp, const RECT& rc);
    // Whether the window under the screen point p is this button.
    bool IsUnder(POINT p) const { return ::WindowFromPoint(p) == m_hWnd; }
    bool IsPushed() const { return (GetState() & BST_PUSHED) != 0; }
    // _TrackMouseEvent on this window with the given flags.
    BOOL TrackLeave(DWORD flags);
};
