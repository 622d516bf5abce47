#include "AfxApp.h"
#include "AfxWin.h"

#include <commctrl.h>

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
    ON_WM_HELPINFO()
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate),
      m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)),
      m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK AfxDlgProc(HWND hDlg, UINT message, WPARAM, LPARAM lParam) {
    // Only the first message is handled here: from then on the window procedure
    // routes everything through the object.
    if (message != WM_INITDIALOG) return FALSE;
    CDialog* dlg = reinterpret_cast<CDialog*>(lParam);
    if (!dlg || !dlg->SubclassWindow(hDlg)) return TRUE;
    try {
        return dlg->OnInitDialog();
    } catch (...) {
        return TRUE;
    }
}

INT_PTR CDialog::DoModal() {
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!parent) {
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd && app->m_pMainWnd != this) parent = app->m_pMainWnd->m_hWnd;
    }
    BOOL enableParent = FALSE;
    if (parent && ::IsWindowEnabled(parent)) {
        ::EnableWindow(parent, FALSE);
        enableParent = TRUE;
    }

    // The templates hold common controls (the progress bar).
    ::InitCommonControls();
    m_bEndModal = false;
    m_nModalResult = -1;
    HWND hDlg = ::CreateDialogParamA(AfxGetResourceHandle(), m_lpszTemplateName, parent, &AfxDlgProc,
                                     reinterpret_cast<LPARAM>(this));
    if (hDlg && m_hWnd && !m_bEndModal) {
        if (!(::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_VISIBLE)) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
        RunModalLoop();
    }

    if (enableParent) ::EnableWindow(parent, TRUE);
    if (parent && m_hWnd && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(parent);
    if (hDlg) ::DestroyWindow(hDlg);
    return m_nModalResult;
}

void CDialog::RunModalLoop() {
    MSG msg;
    while (!m_bEndModal) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // Ends the dialog; the request stays pending for the program's end.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!m_hWnd || !::IsDialogMessageA(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEndModal = true;
    if (m_hWnd) ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnHelpInfo(HELPINFO*) {
    SendMessage(WM_COMMAND, ID_HELP, 0);
    return TRUE;
}

BOOL CDialog::OnCmdMsg(UINT nID, UINT nCode) {
    if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
    // Commands the dialog does not handle go to the application, as menu commands
    // would; system commands (0xF000 and up) do not.
    if (nCode != 0 || nID >= 0xF000) return FALSE;
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode) : FALSE;
}
