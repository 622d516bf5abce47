#include "UnloadApp.h"

#include "../run/StartRequest.h"
#include "../ui/UnloadDlg.h"

BEGIN_MESSAGE_MAP(CUnloadApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CUnloadApp::CUnloadApp() : CWinApp(nullptr) {}

CUnloadApp::~CUnloadApp() = default;

CUnloadApp theApp;

BOOL CUnloadApp::InitInstance() {
    AfxEnableControlContainer();
    // "-s" and the automatic start (" /silent") keep their own tests and come
    // first; then "/preview" and "/quiet", which run with no window at all.
    const StartRequest& request = ThisStartRequest();
    if (request.unattended) {
        // The exit code, read when the program ends.
        ::PostQuitMessage(RunUnattended(request.switches, request.logNamed ? request.logFile.c_str() : nullptr));
        return FALSE;
    }
    {
        CUnloadDlg dlg;
        m_pMainWnd = &dlg;
        // The arguments exactly "-s", in any case: the silent run, then the end.
        if (request.silentRun) {
            dlg.RunSilent();
            ::PostQuitMessage(1);
        }
        // After a silent run the pending quit request ends the dialog's loop at once.
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
