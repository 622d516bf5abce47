// The About box, reached from the main window's system menu.
#pragma once
#include "../framework/AfxWin.h"
#include "../res/resource.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD) {}
    enum { IDD = IDD_ABOUTBOX };

protected:
    void DoDataExchange(CDataExchange*) override {}
    DECLARE_MESSAGE_MAP()
};
