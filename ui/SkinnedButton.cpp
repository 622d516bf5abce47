#include "SkinnedButton.h"

#include <string>

void CSkinnedButton::DrawItem(LPDRAWITEMSTRUCT dis) {
    // The DC and its objects are the system's, lent for this call.
    HDC dc = dis->hDC;
    RECT rc = dis->rcItem;
    const bool pushed = (dis->itemState & ODS_SELECTED) != 0;
    const bool disabled = (dis->itemState & ODS_DISABLED) != 0;

    UINT face = DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0);
    ::DrawFrameControl(dc, &rc, DFC_BUTTON, face);

    int len = ::GetWindowTextLengthA(dis->hwndItem);
    std::string text(static_cast<size_t>(len) + 1, '\0');
    len = ::GetWindowTextA(dis->hwndItem, &text[0], len + 1);
    text.resize(len > 0 ? static_cast<size_t>(len) : 0);

    if (pushed) ::OffsetRect(&rc, 1, 1);
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = ::SetTextColor(dc, ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);

    if (dis->itemState & ODS_FOCUS) {
        RECT focus = dis->rcItem;
        ::InflateRect(&focus, -3, -3);
        ::DrawFocusRect(dc, &focus);
    }
}
