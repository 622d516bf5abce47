#include "UnloadApp.h"

#include <cstring>

#include "../ui/UnloadDlg.h"

BEGIN_MESSAGE_MAP(CUnloadApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CUnloadApp::CUnloadApp() : CWinApp(nullptr) {}

CUnloadApp::~CUnloadApp() = default;

CUnloadApp theApp;

BOOL CUnloadApp::InitInstance() {
    AfxEnableControlContainer();
    {
        CUnloadDlg dlg;
        m_pMainWnd = &dlg;
        // The arguments exactly "-s", in any case: the silent run, then the end.
        if (m_lpCmdLine && _stricmp(m_lpCmdLine, "-s") == 0) {
            dlg.RunSilent();
            ::PostQuitMessage(1);
        }
        // After a silent run the pending quit request ends the dialog's loop at once.
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
