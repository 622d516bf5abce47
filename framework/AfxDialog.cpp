#include "AfxApp.h"
#include "AfxCallback.h"
#include "AfxWin.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace {

// A copy of a dialog template resource without WS_VISIBLE; empty when the
// resource cannot be had.
std::vector<BYTE> LoadHiddenTemplate(HINSTANCE module, LPCSTR name) {
    HRSRC info = ::FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_DIALOG));
    HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    DWORD size = info ? ::SizeofResource(module, info) : 0;
    if (!data || size < sizeof(DLGTEMPLATE)) return {};
    std::vector<BYTE> copy(data, data + size);
    // An extended template starts with version 1 and signature 0xFFFF; its style
    // follows the help id and the extended style.
    const bool extended = size >= 16 && copy[0] == 1 && copy[1] == 0 && copy[2] == 0xFF && copy[3] == 0xFF;
    DWORD style = 0;
    const size_t at = extended ? 12 : 0;
    std::memcpy(&style, &copy[at], sizeof style);
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(&copy[at], &style, sizeof style);
    return copy;
}

}  // namespace

BOOL AfxQuitPending() {
    MSG msg;
    return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
    ON_WM_HELPINFO()
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)),
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
    return AfxCallHandler([dlg] { return dlg->OnInitDialog(); }, BOOL(TRUE));
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
    // Created hidden whatever the template says, and shown here, after its
    // initialisation: a dialog whose loop will end at once (a quit request is
    // pending) is never shown, and one the initialisation showed itself keeps
    // the place it chose.
    HWND hDlg = nullptr;
    std::vector<BYTE> dialogTemplate = LoadHiddenTemplate(AfxGetResourceHandle(), m_lpszTemplateName);
    if (!dialogTemplate.empty())
        hDlg = ::CreateDialogIndirectParamA(AfxGetResourceHandle(),
                                            reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), parent,
                                            &AfxDlgProc, reinterpret_cast<LPARAM>(this));
    if (hDlg && m_hWnd && !m_bEndModal) {
        if (!::IsWindowVisible(m_hWnd) && !AfxQuitPending()) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
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

BOOL CDialog::OnCmdMsg(UINT nID, UINT nCode) {
    if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
    // Commands the dialog does not handle go to the application, as menu commands
    // would; system commands (0xF000 and up) do not.
    if (nCode != 0 || nID >= 0xF000) return FALSE;
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode) : FALSE;
}
