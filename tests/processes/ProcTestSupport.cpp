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

WineVersionFor::WineVersionFor(const std::string& exeName, const char* version)
    : m_key("Software\\Wine\\AppDefaults\\" + exeName) {
    RegKey key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          key.Put(), nullptr) != ERROR_SUCCESS)
        return;
    m_ok = ::RegSetValueExA(key.Get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                            lstrlenA(version) + 1) == ERROR_SUCCESS;
}

WineVersionFor::~WineVersionFor() { ::RegDeleteKeyA(HKEY_CURRENT_USER, m_key.c_str()); }

std::vector<DWORD> ProcessesNamed(const char* name) {
    std::vector<DWORD> ids;
    SnapshotHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return ids;
    PROCESSENTRY32 e = {};
    e.dwSize = sizeof e;
    for (BOOL ok = ::Process32First(snap.Get(), &e); ok; ok = ::Process32Next(snap.Get(), &e))
        if (lstrcmpiA(e.szExeFile, name) == 0) ids.push_back(e.th32ProcessID);
    return ids;
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
                      (mode == StopMode::Hold ? " hold" : " quick");
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
