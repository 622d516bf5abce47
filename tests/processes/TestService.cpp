// A stand-in for one of the suite's services. Command line: NAME quick|hold|refuse.
//   quick:  reports "stopped" inside the stop control itself.
//   hold:   reports "stop pending" and stays so until the event named by
//           kReleaseEvent is set (or a minute has passed), then stops.
//   refuse: accepts no stop; runs until that event is set, then stops.
#include <windows.h>

#include <cstring>

#include "TestServiceShared.h"

namespace {

char g_name[64] = "TolmTestSvc";
bool g_hold = false;
bool g_refuse = false;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopRequested = nullptr;

void Report(DWORD state, DWORD waitHint = 0) {
    SERVICE_STATUS st = {};
    st.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    st.dwCurrentState = state;
    st.dwControlsAccepted = state == SERVICE_RUNNING && !g_refuse ? SERVICE_ACCEPT_STOP : 0;
    st.dwWaitHint = waitHint;
    ::SetServiceStatus(g_statusHandle, &st);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    if (control != SERVICE_CONTROL_STOP) return NO_ERROR;
    if (g_hold) {
        Report(SERVICE_STOP_PENDING, 60000);
    } else {
        Report(SERVICE_STOPPED);
    }
    ::SetEvent(g_stopRequested);
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, char**) {
    g_statusHandle = ::RegisterServiceCtrlHandlerExA(g_name, Handler, nullptr);
    if (!g_statusHandle) return;
    Report(SERVICE_RUNNING);
    if (!g_refuse) ::WaitForSingleObject(g_stopRequested, INFINITE);
    if (g_hold || g_refuse) {
        HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, kReleaseEvent);
        if (release) {
            ::WaitForSingleObject(release, 60000);
            ::CloseHandle(release);
        }
        Report(SERVICE_STOPPED);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2) lstrcpynA(g_name, argv[1], sizeof g_name);
    g_hold = argc >= 3 && std::strcmp(argv[2], "hold") == 0;
    g_refuse = argc >= 3 && std::strcmp(argv[2], "refuse") == 0;
    g_stopRequested = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SERVICE_TABLE_ENTRYA table[] = {{g_name, ServiceMain}, {nullptr, nullptr}};
    ::StartServiceCtrlDispatcherA(table);
    ::CloseHandle(g_stopRequested);
    return 0;
}
