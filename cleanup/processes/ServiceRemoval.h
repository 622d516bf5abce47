// Stopping and deleting the suite's two Windows services (NT only).
#pragma once
#include <windows.h>

// Stops "QWatchSvc" and then "QPfwSvc", waits a bounded time for each to stop
// and deletes it whatever the stop gave; one not stopped then (its stop refused,
// or still stopping) is only marked for deletion and counts as pending. Always
// 1: a missing service is no failure.
int RemoveProductServices();

// The waiting RemoveProductServices does; tests substitute it to count pauses.
struct ServiceWaitCalls {
    void(WINAPI* sleep)(DWORD milliseconds);
    BOOL(WINAPI* queryServiceStatus)(SC_HANDLE service, LPSERVICE_STATUS status);
};
// The real calls.
const ServiceWaitCalls& SystemServiceWaitCalls();
// RemoveProductServices, pausing and querying through calls; same result.
int RemoveProductServicesWith(const ServiceWaitCalls& calls);
