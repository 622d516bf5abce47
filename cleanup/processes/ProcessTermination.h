// Ending the suite's running processes.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

// 1 when every running process named in the process-name table was ended and
// seen to end (or none ran); 0 when one is still counted as running or the
// process list could not be taken.
int TerminateProductProcesses();

// The system calls TerminateProductProcesses makes; tests substitute some of them.
// The snapshot functions are null where the system lacks them (NT 4).
struct ProcessCalls {
    HANDLE(WINAPI* createSnapshot)(DWORD flags, DWORD processId);
    BOOL(WINAPI* processFirst)(HANDLE snapshot, LPPROCESSENTRY32 entry);
    BOOL(WINAPI* processNext)(HANDLE snapshot, LPPROCESSENTRY32 entry);
    HANDLE(WINAPI* openProcess)(DWORD access, BOOL inherit, DWORD processId);
    BOOL(WINAPI* terminateProcess)(HANDLE process, UINT exitCode);
    DWORD(WINAPI* waitForSingleObject)(HANDLE handle, DWORD milliseconds);
    int (*isWindowsNT)();
};
// The real calls.
const ProcessCalls& SystemProcessCalls();
// TerminateProductProcesses through calls; same result (0 when a snapshot
// function is missing). Handles that calls give back are closed with CloseHandle.
int TerminateProductProcessesWith(const ProcessCalls& calls);
