// Painting the button: the face of its state through the mask, its text, and
// the window's shape made from the mask.
#include "SkinnedButton.h"

#include <algorithm>
#include <vector>

namespace {
// The rectangle list grows by this many rectangles at a time.
const DWORD kRectGrowth = 40;
}  // namespace

SIZE CSkinnedButton::BitmapSize(HBITMAP bmp) {
    BITMAP bm = {};
    if (!bmp || !::GetObjectA(bmp, sizeof bm, &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

void CSkinnedButton::DrawItem(LPDRAWITEMSTRUCT dis) {
    // A state that lags behind the pointer is put right first; the change brings
    // another DrawItem.
    POINT cursor;
    if (m_bPressed && GetCapture() == this && ::GetCursorPos(&cursor)) {
        const bool under = IsUnder(cursor);
        const bool pushed = IsPushed();
        if (under && !pushed) {
            SetState(TRUE);
            return;
        }
        if (!under && pushed) {
            SetState(FALSE);
            return;
        }
    }

    CDC dc(dis->hDC);
    SavedDcState savedState(dc.m_hDC);  // the DC is lent: modes, colour and font go back
    RECT rc = dis->rcItem;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;

    CString text;
    GetWindowText(text);
    dc.SetBkMode(TRANSPARENT);
    SelectGuard font(dc.m_hDC, ::GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm = {};
    dc.GetTextMetrics(&tm);
    const int x = (width - text.GetLength() * tm.tmAveCharWidth) / 2;
    const int y = (height - tm.tmHeight) / 2;
    const UINT length = static_cast<UINT>(text.GetLength());

    const UINT state = dis->itemState;
    if (state & ODS_DISABLED) {
        PaintOrFill(&dc, m_bmpDisabled, rc);
        if (m_bBorder) dc.DrawEdge(&rc, EDGE_RAISED, BF_RECT);
        // Embossed: highlight one pixel right and down, grey on top.
        dc.SetTextColor(::GetSysColor(COLOR_3DHILIGHT));
        dc.ExtTextOut(x + 1, y + 1, ETO_CLIPPED, &rc, text, length);
        dc.SetTextColor(::GetSysColor(COLOR_GRAYTEXT));
        dc.ExtTextOut(x, y, ETO_CLIPPED, &rc, text, length);
        return;
    }
    if (state & ODS_SELECTED) {
        PaintOrFill(&dc, m_bmpPressed, rc);
        if (m_bBorder) dc.DrawEdge(&rc, EDGE_SUNKEN, BF_RECT);
    } else {
        // Hovering shows the hover face where there is one and a normal face to fall back from.
        const bool hoverFace = m_bHover && m_bmpHover.GetSafeHandle() && m_bmpNormal.GetSafeHandle();
        PaintOrFill(&dc, hoverFace ? m_bmpHover : m_bmpNormal, rc);
        if (m_bBorder) dc.DrawEdge(&rc, EDGE_RAISED, BF_RECT);
    }
    if ((state & ODS_FOCUS) && m_nFocusMargin > 0) {
        ::InflateRect(&rc, -m_nFocusMargin, -m_nFocusMargin);
        dc.DrawFocusRect(&rc);
    }
    dc.SetTextColor(m_crText);
    dc.ExtTextOut(x, y, ETO_CLIPPED, &rc, text, length);
}

void CSkinnedButton::PaintOrFill(CDC* pDC, const CBitmap& bmp, const RECT& rc) {
    if (bmp.GetSafeHandle()) {
        PaintStateBitmap(pDC, bmp, rc, m_nDrawMode);
    } else {
        pDC->FillRect(&rc, ::GetSysColorBrush(COLOR_BTNFACE));
    }
}

void CSkinnedButton::PaintStateBitmap(CDC* pDC, HBITMAP bmp, const RECT& rc, int drawMode) {
    if (drawMode == 2) {
        TileBitmap(pDC, bmp, rc);
        return;
    }
    if (!bmp) return;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    const SIZE size = BitmapSize(bmp);

    CDC face;
    face.CreateCompatibleDC(pDC);
    SelectGuard faceSel(face.m_hDC, bmp);
    // In mode 0 every source is taken from its corner at the rectangle's size; in
    // mode 1 stretched from the face's size.
    auto copy = [&](CDC* to, int toX, int toY, CDC* from, DWORD rop) {
        if (drawMode == 0) {
            to->BitBlt(toX, toY, width, height, from, 0, 0, rop);
        } else {
            to->StretchBlt(toX, toY, width, height, from, 0, 0, size.cx, size.cy, rop);
        }
    };
    if (!m_bmpMask.GetSafeHandle()) {
        copy(pDC, rc.left, rc.top, &face, SRCCOPY);
        return;
    }

    // Through the mask: where it is white the background stays, where it is
    // black the face shows.
    CDC mask;
    mask.CreateCompatibleDC(pDC);
    SelectGuard maskSel(mask.m_hDC, m_bmpMask);
    CDC work;
    work.CreateCompatibleDC(pDC);
    CBitmap workBmp;
    workBmp.CreateCompatibleBitmap(pDC, width, height);
    SelectGuard workSel(work.m_hDC, workBmp);
    work.BitBlt(0, 0, width, height, pDC, rc.left, rc.top, SRCCOPY);
    copy(&work, 0, 0, &face, SRCINVERT);
    copy(&work, 0, 0, &mask, SRCAND);
    copy(&work, 0, 0, &face, SRCINVERT);
    pDC->BitBlt(rc.left, rc.top, width, height, &work, 0, 0, SRCCOPY);
}

void CSkinnedButton::TileBitmap(CDC* pDC, HBITMAP bmp, const RECT& rc) {
    const SIZE size = BitmapSize(bmp);
    if (size.cx <= 0 || size.cy <= 0) return;
    CDC tile;
    tile.CreateCompatibleDC(pDC);
    SelectGuard tileSel(tile.m_hDC, bmp);
    for (int y = rc.top; y < rc.bottom; y += size.cy) {
        for (int x = rc.left; x < rc.right; x += size.cx) {
            pDC->BitBlt(x, y, std::min<int>(size.cx, rc.right - x), std::min<int>(size.cy, rc.bottom - y), &tile, 0,
                        0, SRCCOPY);
        }
    }
}

HRGN CSkinnedButton::RegionFromMask(HBITMAP bmp, COLORREF key) {
    if (!bmp) return nullptr;
    const SIZE size = BitmapSize(bmp);

    // The rectangles in the layout of region data: the header, then the list,
    // with room added 40 rectangles at a time.
    std::vector<BYTE> buffer(sizeof(RGNDATAHEADER) + kRectGrowth * sizeof(RECT));
    DWORD room = kRectGrowth;
    auto header = [&]() { return reinterpret_cast<RGNDATAHEADER*>(buffer.data()); };
    auto rects = [&]() { return reinterpret_cast<RECT*>(buffer.data() + sizeof(RGNDATAHEADER)); };
    header()->dwSize = sizeof(RGNDATAHEADER);
    header()->iType = RDH_RECTANGLES;
    auto add = [&](int left, int top, int right, int bottom) {
        rects()[header()->nCount] = RECT{left, top, right, bottom};
        if (++header()->nCount == room) {
            room += kRectGrowth;
            buffer.resize(sizeof(RGNDATAHEADER) + room * sizeof(RECT));
        }
    };

    {
        CClientDC windowDc(this);
        CDC mem;
        mem.CreateCompatibleDC(&windowDc);
        SelectGuard sel(mem.m_hDC, bmp);
        // Bottom row first; a run of opaque pixels ends at the next key pixel or
        // at the end of its row.
        for (int y = size.cy - 1; y >= 0; --y) {
            int start = -1;
            for (int x = 0; x < size.cx; ++x) {
                const bool opaque = mem.GetPixel(x, y) != key;
                if (opaque && start < 0) {
                    start = x;
                } else if (!opaque && start >= 0) {
                    add(start, y, x, y + 1);
                    start = -1;
                }
            }
            if (start >= 0) add(start, y, size.cx, y + 1);
        }
    }

    HRGN result = ::CreateRectRgn(0, 0, 0, 0);
    for (DWORD i = 0; result && i < header()->nCount; ++i) {
        const RECT& r = rects()[i];
        GdiObject piece(::CreateRectRgn(r.left, r.top, r.right, r.bottom));
        ::CombineRgn(result, result, static_cast<HRGN>(piece.Get()), RGN_OR);
    }
    return result;
}
