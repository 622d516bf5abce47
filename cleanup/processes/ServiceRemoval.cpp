#include "ServiceRemoval.h"

#include "Handles.h"
#include "../../framework/Absent.h"
#include "../change/ChangeSession.h"
#include "../change/SystemChanges.h"
#include "../report/RunReport.h"

namespace {

const char* const kServices[] = {"QWatchSvc", "QPfwSvc"};
// Standard required rights plus query and change configuration, query status,
// enumerate dependents, start and stop.
const DWORD kServiceAccess = 0xF003F;
const DWORD kFirstPauseMs = 2000;
const DWORD kPendingPauseMs = 200;
// The pauses while stopping are counted over both services together.
const int kMaxPendingPauses = 5;

// After an accepted stop: one long pause, then short ones while the service is
// still stopping, until the shared counter runs out or a query fails.
void WaitForStop(const ServiceWaitCalls& calls, SC_HANDLE service, SERVICE_STATUS& status, int& waits) {
    calls.sleep(kFirstPauseMs);
    if (!calls.queryServiceStatus(service, &status)) return;
    while (status.dwCurrentState == SERVICE_STOP_PENDING) {
        calls.sleep(kPendingPauseMs);
        if (++waits > kMaxPendingPauses) return;
        if (!calls.queryServiceStatus(service, &status)) return;
    }
}

const char* ServiceStateText(DWORD state) {
    switch (state) {
        case SERVICE_STOPPED: return "stopped";
        case SERVICE_STOP_PENDING: return "still stopping";
        case SERVICE_RUNNING: return "still running";
        default: return "in another state";
    }
}

}  // namespace

const ServiceWaitCalls& SystemServiceWaitCalls() {
    static const ServiceWaitCalls calls = {::Sleep, ::QueryServiceStatus};
    return calls;
}

int RemoveProductServicesWith(const ServiceWaitCalls& calls) {
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        report::Note("  the service manager cannot be opened (error %lu)", ::GetLastError());
        return 1;
    }

    SERVICE_STATUS status = {};
    int waits = 0;
    ServiceHandle services[2];
    for (int i = 0; i < 2; ++i) {
        services[i].Reset(::OpenServiceA(manager.Get(), kServices[i], kServiceAccess));
        if (!services[i]) {
            const DWORD e = ::GetLastError();
            if (IsAbsent(e)) {
                report::Note("  service %s: absent", kServices[i]);
            } else {
                report::Note("  service %s: not opened (error %lu)", kServices[i], e);
                change::Refuse(change::ServiceItem(kServices[i]));
            }
            continue;
        }
        // A refused stop (the service accepts none, or its dependents run)
        // leaves the service as it was: its state, as StopService asked it, decides.
        if (change::StopService(services[i].Get(), kServices[i], &status)) {
            WaitForStop(calls, services[i].Get(), status, waits);
            report::Note("  service %s: %s after the waits", kServices[i], ServiceStateText(status.dwCurrentState));
        } else {
            report::Note("  service %s: %s", kServices[i], ServiceStateText(status.dwCurrentState));
        }
        // A service not stopped is only marked for deletion; the system
        // completes it once the service has stopped. Not looked at.
        change::DeleteService(services[i].Get(), kServices[i], status.dwCurrentState != SERVICE_STOPPED);
    }
    return 1;
}

namespace {

// A preview sends no stop: there is nothing to wait for, and the service
// answers as stopped.
void WINAPI NoPause(DWORD) {}
BOOL WINAPI Stopped(SC_HANDLE, LPSERVICE_STATUS status) {
    status->dwCurrentState = SERVICE_STOPPED;
    return TRUE;
}

}  // namespace

int RemoveProductServices() {
    static const ServiceWaitCalls preview = {NoPause, Stopped};
    return RemoveProductServicesWith(change::Previewing() ? preview : SystemServiceWaitCalls());
}
