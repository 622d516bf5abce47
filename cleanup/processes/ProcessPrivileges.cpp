#include "ProcessPrivileges.h"

#include "Handles.h"

namespace {

// Enables one privilege already looked up; the result of AdjustTokenPrivileges.
// Its last error is not looked at: a token without the privilege still "succeeds".
BOOL EnablePrivilege(const PrivilegeCalls& calls, HANDLE token, const LUID& luid) {
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Luid = luid;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    return calls.adjustTokenPrivileges(token, FALSE, &tp, sizeof tp, nullptr, nullptr);
}

}  // namespace

const PrivilegeCalls& SystemPrivilegeCalls() {
    static const PrivilegeCalls calls = {::OpenProcessToken, ::LookupPrivilegeValueA,
                                         ::AdjustTokenPrivileges};
    return calls;
}

int EnableProcessPrivilegesWith(const PrivilegeCalls& calls) {
    KernelHandle token;
    if (!calls.openProcessToken(::GetCurrentProcess(), TOKEN_WRITE, token.Put())) {
        token.Detach();  // nothing was obtained; do not close what a failed call left there
        return 0;
    }

    // The debug privilege lets the tool open the suite's service processes; its
    // outcome is deliberately ignored.
    LUID luid = {};
    if (calls.lookupPrivilegeValue(nullptr, "SeDebugPrivilege", &luid))
        EnablePrivilege(calls, token.Get(), luid);

    luid = LUID{};
    if (!calls.lookupPrivilegeValue(nullptr, "SeShutdownPrivilege", &luid)) return 0;
    return EnablePrivilege(calls, token.Get(), luid) ? 1 : 0;
}

int EnableProcessPrivileges() { return EnableProcessPrivilegesWith(SystemPrivilegeCalls()); }
