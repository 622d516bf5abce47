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
    BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop) {
        return ::StretchBlt(m_hDC, x, y, w, h, src->m_hDC, sx, sy, sw, sh, rop);
    }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    BOOL GetTextMetrics(LPTEXTMETRICA tm) const { return ::GetTextMetricsA(m_hDC, tm); }
    BOOL ExtTextOut(int x, int y, UINT options, LPCRECT r, const char* text, UINT count) {
        return ::ExtTextOutA(m_hDC, x, y, options, r, text, count, nullptr);
    }
    BOOL DrawEdge(LPRECT r, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, r, edge, flags); }
    void DrawFocusRect(LPCRECT r) { ::DrawFocusRect(m_hDC, r); }

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

// GetDC and ReleaseDC of a window (null: the screen).
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

class CBitmap {
public:
    CBitmap() = default;
    // Loads bitmap nID from the program's resources; any previous bitmap is freed.
    BOOL LoadBitmap(UINT nID);
    // A bitmap of the given size in the format of pDC's; any previous bitmap is freed.
    BOOL CreateCompatibleBitmap(CDC* pDC, int width, int height);
    HBITMAP GetSafeHandle() const { return static_cast<HBITMAP>(m_bmp.Get()); }
    operator HBITMAP() const { return GetSafeHandle(); }
    // Width, height and depth of the bitmap; 0 when there is none.
    int GetBitmap(BITMAP* pBitMap) const;
    void DeleteObject() { m_bmp.Close(); }

private:
    GdiObject m_bmp;
};
