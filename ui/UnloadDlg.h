// The tool's main window: a title, three text lines, the progress bar, the run log
// and the Run and Exit buttons. Hosts the interactive run; the silent run uses the
// object before its window exists.
#pragma once
#include "../framework/AfxGdi.h"
#include "../framework/AfxWin.h"
#include "../res/resource.h"
#include "SkinnedButton.h"

class CUnloadDlg : public CDialog {
public:
    explicit CUnloadDlg(CWnd* pParent = nullptr);
    ~CUnloadDlg() override;
    enum { IDD = IDD_MAIN };

    CProgressCtrl m_progress;
    HICON m_hIcon;  // the application icon, owned by the module
    CString m_strLog;  // the run log: only grows
    CSkinnedButton m_btnRun;
    CSkinnedButton m_btnExit;

    // The removal as the user sees it: the Run button's handler, also called by the
    // initialisation in the automatic start.
    void OnRun();
    // The removal chosen by "-s", run before the window exists.
    void RunSilent();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    DECLARE_MESSAGE_MAP()
};
