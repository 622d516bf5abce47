#include "UnloadApp.h"

#include <windows.h>

#include <string>

#include "../run/Relaunch.h"
#include "../run/StartRequest.h"
#include "../ui/UnloadDlg.h"

BEGIN_MESSAGE_MAP(CUnloadApp, CWinApp)
END_MESSAGE_MAP()

CUnloadApp::CUnloadApp() : CWinApp(nullptr) {}

CUnloadApp::~CUnloadApp() = default;

CUnloadApp theApp;

namespace {

// The copy runs in the administrators' folder: a relative "/log" name is made
// full here, in the folder the user meant it from.
std::string ArgumentsForCopy(const std::string& arguments) {
    std::string rest, file;
    if (!TakeLogSwitch(arguments, rest, file) || file.empty()) return arguments;
    char full[MAX_PATH * 2];
    char* filePart = nullptr;
    const DWORD n = ::GetFullPathNameA(file.c_str(), sizeof full, full, &filePart);
    if (n == 0 || n >= sizeof full) return arguments;
    return "/log \"" + std::string(full) + "\"" + (rest.empty() ? "" : " " + rest);
}

}  // namespace

BOOL CUnloadApp::InitInstance() {
    // Before any window or DLL of its own: from a folder a standard user can
    // change, the tool runs as its copy in the administrators' folder.
    static std::string arguments;
    arguments = TakeOriginSwitch(m_lpCmdLine);
    m_lpCmdLine = &arguments[0];
    DWORD copyExitCode = 0;
    if (RunFromAdministratorsCopy(ArgumentsForCopy(arguments).c_str(), copyExitCode)) {
        ::PostQuitMessage(static_cast<int>(copyExitCode));
        return FALSE;
    }
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
