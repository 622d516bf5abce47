#include "ProcTestSupport.h"

#include <tlhelp32.h>

#include "Handles.h"
#include "TestServiceShared.h"
#include "TestSupport.h"

namespace proctest {

std::string HelperPath(const char* exeName) {
    return tolmtest::BinDir() + "\\tests\\processes\\" + exeName;
}

bool CopyHelper(const char* exeName, const std::string& path) {
    return ::CopyFileA(HelperPath(exeName).c_str(), path.c_str(), FALSE) != 0;
}

bool RunProbeAsWindows95(const std::string& dir, const char* argument, DWORD* exitCode) {
    std::string name = std::string("tolm95_") + argument + "_" + std::to_string(::GetCurrentProcessId()) + ".exe";
    std::string probe = dir + "\\" + name;
    if (!CopyHelper("proc_probe.exe", probe)) return false;
    tolmtest::ScopedWindowsVersion win95(name, "win95");
    if (!win95.Ok()) return false;
    tolmtest::ChildProcess run;
    if (!run.Start("\"" + probe + "\" " + argument)) return false;
    return run.Wait(60000, exitCode);
}

namespace {

ServiceHandle Manager() { return ServiceHandle(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)); }

ServiceHandle Open(const char* name) {
    ServiceHandle scm = Manager();
    if (!scm) return ServiceHandle();
    return ServiceHandle(::OpenServiceA(scm.Get(), name, SERVICE_ALL_ACCESS));
}

HANDLE ReleaseEvent() {
    static HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, kReleaseEvent);
    return event;
}

}  // namespace

bool InstallTestService(const char* name, StopMode mode) {
    ServiceHandle scm = Manager();
    if (!scm) return false;
    std::string cmd = "\"" + HelperPath("proc_testsvc.exe") + "\" " + name +
                      (mode == StopMode::Hold ? " hold" : mode == StopMode::Refuse ? " refuse" : " quick");
    ServiceHandle svc(::CreateServiceA(scm.Get(), name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                       SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, cmd.c_str(), nullptr,
                                       nullptr, nullptr, nullptr, nullptr));
    return svc.Valid();
}

bool StartTestService(const char* name) {
    ServiceHandle svc = Open(name);
    if (!svc || !::StartServiceA(svc.Get(), 0, nullptr)) return false;
    return tolmtest::WaitUntil([&] { return ServiceState(name) == SERVICE_RUNNING; }, 20000);
}

bool ServiceExists(const char* name) {
    ServiceHandle scm = Manager();
    ServiceHandle svc(::OpenServiceA(scm.Get(), name, SERVICE_QUERY_STATUS));
    return svc.Valid() || ::GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST;
}

DWORD ServiceState(const char* name) {
    ServiceHandle scm = Manager();
    ServiceHandle svc(::OpenServiceA(scm.Get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS st = {};
    if (!svc || !::QueryServiceStatus(svc.Get(), &st)) return 0;
    return st.dwCurrentState;
}

bool RemoveTestService(const char* name) {
    ReleaseHeldServices(true);
    {
        ServiceHandle svc = Open(name);
        if (svc) {
            SERVICE_STATUS st = {};
            ::ControlService(svc.Get(), SERVICE_CONTROL_STOP, &st);
            ::DeleteService(svc.Get());
        }
    }
    return tolmtest::WaitUntil([&] { return !ServiceExists(name); }, 30000, 50);
}

void ReleaseHeldServices(bool release) {
    if (release) ::SetEvent(ReleaseEvent());
    else ::ResetEvent(ReleaseEvent());
}

}  // namespace proctest
