#include "ServiceRemoval.h"

#include "Handles.h"

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

}  // namespace

const ServiceWaitCalls& SystemServiceWaitCalls() {
    static const ServiceWaitCalls calls = {::Sleep, ::QueryServiceStatus};
    return calls;
}

int RemoveProductServicesWith(const ServiceWaitCalls& calls) {
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return 1;

    SERVICE_STATUS status = {};
    int waits = 0;
    ServiceHandle services[2];
    for (int i = 0; i < 2; ++i) {
        services[i].Reset(::OpenServiceA(manager.Get(), kServices[i], kServiceAccess));
        if (!services[i]) continue;
        if (::ControlService(services[i].Get(), SERVICE_CONTROL_STOP, &status))
            WaitForStop(calls, services[i].Get(), status, waits);
        // A service still running or stopping is only marked for deletion; the
        // system completes it once the service has stopped. Not looked at.
        ::DeleteService(services[i].Get());
    }
    return 1;
}

int RemoveProductServices() { return RemoveProductServicesWith(SystemServiceWaitCalls()); }
