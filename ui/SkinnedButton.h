// The owner-drawn push button used for Run and Exit. It draws a plain button face
// with its caption.
#pragma once
#include "../framework/AfxWin.h"

class CSkinnedButton : public CButton {
public:
    CSkinnedButton() = default;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
};
