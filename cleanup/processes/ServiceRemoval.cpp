#include "ServiceRemoval.h"

#include "Handles.h"
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
            if (e == ERROR_SERVICE_DOES_NOT_EXIST) report::Note("  service %s: absent", kServices[i]);
            else report::Note("  service %s: not opened (error %lu)", kServices[i], e);
            continue;
        }
        const BOOL stopping = ::ControlService(services[i].Get(), SERVICE_CONTROL_STOP, &status);
        if (!stopping) {
            report::Note("  service %s: stop not accepted (error %lu)", kServices[i], ::GetLastError());
        } else {
            report::Note("  service %s: asked to stop", kServices[i]);
            WaitForStop(calls, services[i].Get(), status, waits);
            report::Note("  service %s: %s after the waits", kServices[i], ServiceStateText(status.dwCurrentState));
        }
        // A service still running or stopping is only marked for deletion; the
        // system completes it once the service has stopped. Not looked at.
        const BOOL deleted = ::DeleteService(services[i].Get());
        if (!deleted) report::Note("  service %s: not deleted (error %lu)", kServices[i], ::GetLastError());
        else if (stopping && status.dwCurrentState != SERVICE_STOPPED)
            report::Note("  service %s: marked for deletion, completed once it has stopped", kServices[i]);
        else
            report::Note("  service %s: deleted", kServices[i]);
    }
    return 1;
}

int RemoveProductServices() { return RemoveProductServicesWith(SystemServiceWaitCalls()); }
