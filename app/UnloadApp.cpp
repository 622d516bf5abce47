#include "UnloadApp.h"

#include <mbstring.h>

#include <cstring>

#include "../run/UnattendedRun.h"
#include "../ui/UnloadDlg.h"

BEGIN_MESSAGE_MAP(CUnloadApp, CWinApp)
END_MESSAGE_MAP()

CUnloadApp::CUnloadApp() : CWinApp(nullptr) {}

CUnloadApp::~CUnloadApp() = default;

CUnloadApp theApp;

BOOL CUnloadApp::InitInstance() {
    AfxEnableControlContainer();
    // "-s" and the automatic start (" /silent") keep their own tests and come
    // first; then "/preview" and "/quiet", which run with no window at all.
    const unsigned char* commandLine = reinterpret_cast<const unsigned char*>(::GetCommandLineA());
    const bool automaticStart =
        commandLine && _mbsstr(commandLine, reinterpret_cast<const unsigned char*>(" /silent")) != nullptr;
    UnattendedSwitches unattended;
    if (!(m_lpCmdLine && _stricmp(m_lpCmdLine, "-s") == 0) && !automaticStart &&
        ParseUnattendedSwitches(m_lpCmdLine, unattended)) {
        ::PostQuitMessage(RunUnattended(unattended));  // the exit code, read when the program ends
        return FALSE;
    }
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
