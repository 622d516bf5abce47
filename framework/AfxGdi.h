// Device contexts and bitmaps. A CDC made from a borrowed HDC never deletes it;
// one made by CreateCompatibleDC owns its DC.
#pragma once
#include <windows.h>

#include "Handles.h"

class CWnd;

class CDC {
public:
    CDC() = default;
    explicit CDC(HDC borrowed) : m_hDC(borrowed) {}
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }

    // A memory DC compatible with pDC (or the screen); owned by this object.
    BOOL CreateCompatibleDC(CDC* pDC);
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
    void FillRect(const RECT* r, HBRUSH brush) { ::FillRect(m_hDC, r, brush); }
    BOOL BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop) {
        return ::BitBlt(m_hDC, x, y, w, h, src->m_hDC, sx, sy, rop);
    }

private:
    MemoryDc m_owned;
};

// BeginPaint and EndPaint around one WM_PAINT.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
};

class CBitmap {
public:
    CBitmap() = default;
    // Loads bitmap nID from the program's resources; any previous bitmap is freed.
    BOOL LoadBitmap(UINT nID);
    HBITMAP GetSafeHandle() const { return static_cast<HBITMAP>(m_bmp.Get()); }
    operator HBITMAP() const { return GetSafeHandle(); }
    // Width, height and depth of the bitmap; 0 when there is none.
    int GetBitmap(BITMAP* pBitMap) const;
    void DeleteObject() { m_bmp.Close(); }

private:
    GdiObject m_bmp;
};
