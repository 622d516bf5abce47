// Enabling the debug and shutdown privileges of the tool's own process.
#pragma once
#include <windows.h>

// 1 when the request to enable the shutdown privilege was accepted, 0 when the
// token could not be opened or the privilege could not be looked up. Whether the
// debug privilege could be enabled does not count.
int EnableProcessPrivileges();

// The system calls EnableProcessPrivileges makes; tests substitute some of them.
struct PrivilegeCalls {
    BOOL(WINAPI* openProcessToken)(HANDLE process, DWORD access, PHANDLE token);
    BOOL(WINAPI* lookupPrivilegeValue)(LPCSTR system, LPCSTR name, PLUID luid);
    BOOL(WINAPI* adjustTokenPrivileges)(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState,
                                        DWORD length, PTOKEN_PRIVILEGES previous, PDWORD returned);
};
// The real calls.
const PrivilegeCalls& SystemPrivilegeCalls();
// EnableProcessPrivileges through calls; same result. The token handle calls
// gives back is closed with CloseHandle.
int EnableProcessPrivilegesWith(const PrivilegeCalls& calls);
