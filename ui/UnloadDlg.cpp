#include "UnloadDlg.h"

#include "../run/StartRequest.h"
#include "AboutDlg.h"

CUnloadDlg::CUnloadDlg(CWnd* pParent)
    : CDialog(IDD, pParent),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

CUnloadDlg::~CUnloadDlg() = default;

void CUnloadDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_RUN, m_btnRun);
    DDX_Control(pDX, IDCANCEL, m_btnExit);
    DDX_Text(pDX, IDC_LOG, m_strLog);
}

BEGIN_MESSAGE_MAP(CUnloadDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_BN_CLICKED(IDC_RUN, OnRun)
    ON_WM_QUERYDRAGICON()
    ON_WM_CTLCOLOR()
    ON_BN_CLICKED(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

BOOL CUnloadDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CMenu sysMenu = GetSystemMenu(FALSE);
    if (sysMenu.m_hMenu) {
        CString about;
        about.LoadString(IDS_ABOUTBOX);
        if (!about.IsEmpty()) {
            sysMenu.AppendMenu(MF_SEPARATOR);
            sysMenu.AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_progress.SetRange(0, 100);

    // Both buttons take the size of their faces: 132 idle and disabled, 131 pushed.
    m_btnRun.ApplySkin(IDB_BUTTON_UP, IDB_BUTTON_DOWN, 0, 0, 0, 0, 0, 0, 1);
    m_btnExit.ApplySkin(IDB_BUTTON_UP, IDB_BUTTON_DOWN, 0, 0, 0, 0, 0, 0, 1);

    // Automatic start: off-screen, behind every window, not activated; the whole
    // run happens here, before the window is first shown.
    if (ThisStartRequest().automaticStart) {
        SetWindowPos(HWND_BOTTOM, -10, -10, 1, 1, SWP_NOACTIVATE);
        OnRun();
        // Shown where it was put, still behind every window and not activated;
        // not at all when the run ended the tool.
        if (::IsWindow(m_hWnd) && !AfxQuitPending())
            SetWindowPos(HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    return TRUE;
}

void CUnloadDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CUnloadDlg::OnPaint() {
    CPaintDC dc(this);
    RECT rc;
    GetWindowRect(&rc);
    ScreenToClient(&rc);
    GdiObject brush(::CreateSolidBrush(RGB(235, 235, 235)));
    dc.FillRect(&rc, static_cast<HBRUSH>(brush.Get()));
    dc.SetBkMode(TRANSPARENT);
}

HCURSOR CUnloadDlg::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(m_hIcon);
}

HBRUSH CUnloadDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    HBRUSH hbr = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    switch (nCtlColor) {
    case CTLCOLOR_DLG:
        pDC->SetBkMode(TRANSPARENT);
        return hbr;
    case CTLCOLOR_STATIC:
        // Static texts are drawn straight on the painted surface; the restart note in red.
        pDC->SetBkMode(TRANSPARENT);
        if (pWnd->GetDlgCtrlID() == IDC_REBOOT_NOTE) pDC->SetTextColor(RGB(255, 0, 0));
        if (hbr) ::DeleteObject(hbr);
        return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    default:
        return hbr;
    }
}
