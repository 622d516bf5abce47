#include "SkinnedButton.h"

#include "../sys/ShellCalls.h"

namespace {
const COLORREF kMaskKey = RGB(255, 255, 255);
}  // namespace

BEGIN_MESSAGE_MAP(CSkinnedButton, CButton)
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_KILLFOCUS()
    ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
END_MESSAGE_MAP()

CSkinnedButton::CSkinnedButton()
    : m_bHover(0),
      m_bPressed(0),
      m_nFocusMargin(0),
      m_crText(::GetSysColor(COLOR_BTNTEXT)),
      m_hRgn(nullptr),
      m_bBorder(0),
      m_nDrawMode(0) {}

CSkinnedButton::~CSkinnedButton() {
    m_bmpNormal.DeleteObject();
    m_bmpPressed.DeleteObject();
    m_bmpDisabled.DeleteObject();
    m_bmpMask.DeleteObject();
    m_bmpHover.DeleteObject();
}

void CSkinnedButton::ApplySkin(int normal, int pressed, int hover, int disabled, int mask, int drawMode,
                               int border, int focusMargin, int fitToNormal) {
    m_bmpNormal.DeleteObject();
    m_bmpPressed.DeleteObject();
    m_bmpDisabled.DeleteObject();
    m_bmpMask.DeleteObject();
    m_bmpHover.DeleteObject();

    if (normal) m_bmpNormal.LoadBitmap(LOWORD(normal));
    if (pressed) m_bmpPressed.LoadBitmap(LOWORD(pressed));
    if (hover) m_bmpHover.LoadBitmap(LOWORD(hover));
    if (disabled) {
        m_bmpDisabled.LoadBitmap(LOWORD(disabled));
    } else if (normal) {
        m_bmpDisabled.LoadBitmap(LOWORD(normal));
    }

    m_nDrawMode = static_cast<short>(drawMode);
    if (m_nDrawMode >= 2) m_nDrawMode = 2;
    if (m_nDrawMode < 0) m_nDrawMode = 0;
    m_bBorder = static_cast<short>(border);
    m_nFocusMargin = static_cast<short>(focusMargin);
    if (m_nFocusMargin < 0) m_nFocusMargin = 0;

    if (fitToNormal && m_bmpNormal.GetSafeHandle()) {
        SIZE size = BitmapSize(m_bmpNormal);
        SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    }

    if (mask) {
        m_bmpMask.LoadBitmap(LOWORD(mask));
        m_hRgn = RegionFromMask(m_bmpMask, kMaskKey);
        // The window deletes the region it had; one it refused stays ours.
        if (m_hRgn && !SetWindowRgn(m_hRgn, TRUE)) {
            ::DeleteObject(m_hRgn);
            m_hRgn = nullptr;
        }
        if (m_nDrawMode == 0 && m_bmpMask.GetSafeHandle()) {
            SIZE size = BitmapSize(m_bmpMask);
            SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        }
    }
}

BOOL CSkinnedButton::OnEraseBkgnd(CDC*) {
    return TRUE;  // the face covers the button
}

BOOL CSkinnedButton::TrackLeave(DWORD flags) {
    TRACKMOUSEEVENT tme = {sizeof tme, flags, m_hWnd, 0};
    return StartMouseTracking(&tme);
}

void CSkinnedButton::OnLButtonDown(UINT, CPoint) {
    if (m_bHover && TrackLeave(TME_CANCEL | TME_LEAVE)) m_bHover = 0;
    m_bPressed = 1;
    Default();  // capture and the pushed state
}

void CSkinnedButton::OnLButtonUp(UINT, CPoint) {
    m_bPressed = 0;
    Default();
}

void CSkinnedButton::OnMouseMove(UINT, CPoint point) {
    if (m_bPressed && GetCapture() == this) {
        // While held, the pushed look follows the pointer.
        ClientToScreen(&point);
        const bool under = IsUnder(point);
        if (under != IsPushed()) {
            SetState(under);
            Invalidate(TRUE);
        }
    } else if (!m_bHover && TrackLeave(TME_LEAVE)) {
        m_bHover = 1;
        Invalidate(TRUE);
    }
    Default();
}

void CSkinnedButton::OnLButtonDblClk(UINT nFlags, CPoint point) {
    // One more press; the double click itself gets no default handling.
    SendMessage(WM_LBUTTONDOWN, nFlags, MAKELPARAM(point.x, point.y));
}

void CSkinnedButton::OnKillFocus(CWnd*) {
    if (GetCapture() == this) {
        ::ReleaseCapture();
        m_bPressed = 0;
    }
    Default();
}

LRESULT CSkinnedButton::OnMouseLeave(WPARAM, LPARAM) {
    m_bHover = 0;
    Invalidate(TRUE);
    return 0;
}
