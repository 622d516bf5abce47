#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Handles.h"
#include "ProcessPrivileges.h"

namespace {

// State of one privilege in this process's token: 1 enabled, 0 held but
// disabled, -1 not held or not readable.
int PrivilegeState(const char* name) {
    KernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) return -1;
    LUID luid = {};
    if (!::LookupPrivilegeValueA(nullptr, name, &luid)) return -1;
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buf(size + 16);
    if (!::GetTokenInformation(token.Get(), TokenPrivileges, buf.data(), static_cast<DWORD>(buf.size()), &size))
        return -1;
    auto* tp = reinterpret_cast<TOKEN_PRIVILEGES*>(buf.data());
    for (DWORD i = 0; i < tp->PrivilegeCount; ++i) {
        const LUID& l = tp->Privileges[i].Luid;
        if (l.LowPart == luid.LowPart && l.HighPart == luid.HighPart)
            return (tp->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) ? 1 : 0;
    }
    return -1;
}

bool SetPrivilege(const char* name, DWORD attributes) {
    KernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Put())) return false;
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = attributes;
    if (!::LookupPrivilegeValueA(nullptr, name, &tp.Privileges[0].Luid)) return false;
    return ::AdjustTokenPrivileges(token.Get(), FALSE, &tp, sizeof tp, nullptr, nullptr) &&
           ::GetLastError() == ERROR_SUCCESS;
}

TEST(EnableProcessPrivileges, EnablesDebugAndShutdownInTheRealToken) {
    ASSERT_TRUE(SetPrivilege("SeShutdownPrivilege", 0));
    ASSERT_TRUE(SetPrivilege("SeDebugPrivilege", 0));
    ASSERT_EQ(0, PrivilegeState("SeShutdownPrivilege"));
    ASSERT_EQ(0, PrivilegeState("SeDebugPrivilege"));

    EXPECT_EQ(1, EnableProcessPrivileges());
    EXPECT_EQ(1, PrivilegeState("SeShutdownPrivilege"));
    EXPECT_EQ(1, PrivilegeState("SeDebugPrivilege"));
}

// Scripted token calls: what each returns, and what the operation asked for.
struct Script {
    bool openOk = true;
    bool debugFound = true;
    bool shutdownFound = true;
    bool debugAdjustOk = true;
    bool shutdownAdjustOk = true;
    DWORD shutdownLastError = ERROR_SUCCESS;  // as a token without the privilege reports

    DWORD openAccess = 0;
    HANDLE token = nullptr;
    std::vector<std::string> lookups;
    std::vector<LUID> adjusted;
    bool adjustArgsRight = true;
};
Script* g_script = nullptr;
const LUID kDebugLuid = {20, 0};
const LUID kShutdownLuid = {19, 0};

BOOL WINAPI FakeOpen(HANDLE process, DWORD access, PHANDLE token) {
    g_script->openAccess = access;
    if (process != ::GetCurrentProcess() || !g_script->openOk) {
        *token = nullptr;
        return FALSE;
    }
    // A real handle stands in for the token, so the test can tell it was closed.
    *token = g_script->token = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return TRUE;
}

BOOL WINAPI FakeLookup(LPCSTR system, LPCSTR name, PLUID luid) {
    g_script->lookups.push_back(system ? std::string("?") + system : std::string(name));
    if (std::string(name) == "SeDebugPrivilege" && g_script->debugFound) { *luid = kDebugLuid; return TRUE; }
    if (std::string(name) == "SeShutdownPrivilege" && g_script->shutdownFound) { *luid = kShutdownLuid; return TRUE; }
    return FALSE;
}

BOOL WINAPI FakeAdjust(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD length,
                       PTOKEN_PRIVILEGES previous, PDWORD returned) {
    if (token != g_script->token || disableAll || length != 16 || previous || returned ||
        state->PrivilegeCount != 1 || state->Privileges[0].Attributes != SE_PRIVILEGE_ENABLED)
        g_script->adjustArgsRight = false;
    LUID luid = state->Privileges[0].Luid;
    g_script->adjusted.push_back(luid);
    bool shutdown = luid.LowPart == kShutdownLuid.LowPart;
    ::SetLastError(shutdown ? g_script->shutdownLastError : ERROR_SUCCESS);
    return shutdown ? g_script->shutdownAdjustOk : g_script->debugAdjustOk;
}

int RunScript(Script& s) {
    g_script = &s;
    PrivilegeCalls calls = {FakeOpen, FakeLookup, FakeAdjust};
    int result = EnableProcessPrivilegesWith(calls);
    g_script = nullptr;
    return result;
}

bool Closed(HANDLE h) {
    DWORD flags = 0;
    return !::GetHandleInformation(h, &flags);
}

std::vector<DWORD> AdjustedIds(const Script& s) {
    std::vector<DWORD> ids;
    for (const LUID& l : s.adjusted) ids.push_back(l.LowPart);
    return ids;
}

TEST(EnableProcessPrivilegesDecisions, BothFoundAndAccepted) {
    Script s;
    EXPECT_EQ(1, RunScript(s));
    EXPECT_EQ(static_cast<DWORD>(TOKEN_WRITE), s.openAccess);
    EXPECT_EQ(0x200E0u, s.openAccess);
    EXPECT_EQ((std::vector<std::string>{"SeDebugPrivilege", "SeShutdownPrivilege"}), s.lookups);
    EXPECT_EQ((std::vector<DWORD>{20, 19}), AdjustedIds(s));
    EXPECT_TRUE(s.adjustArgsRight);
    EXPECT_TRUE(Closed(s.token));
}

TEST(EnableProcessPrivilegesDecisions, TokenThatCannotBeOpenedGivesZeroAndNothingElse) {
    Script s;
    s.openOk = false;
    EXPECT_EQ(0, RunScript(s));
    EXPECT_TRUE(s.lookups.empty());
    EXPECT_TRUE(s.adjusted.empty());
}

TEST(EnableProcessPrivilegesDecisions, DebugPrivilegeDoesNotDecideTheResult) {
    Script notFound;
    notFound.debugFound = false;
    EXPECT_EQ(1, RunScript(notFound));
    EXPECT_EQ((std::vector<DWORD>{19}), AdjustedIds(notFound));  // nothing adjusted for the debug privilege
    EXPECT_TRUE(Closed(notFound.token));

    Script refused;
    refused.debugAdjustOk = false;
    EXPECT_EQ(1, RunScript(refused));
    EXPECT_EQ((std::vector<DWORD>{20, 19}), AdjustedIds(refused));
    EXPECT_TRUE(Closed(refused.token));
}

TEST(EnableProcessPrivilegesDecisions, ShutdownPrivilegeNotFoundGivesZeroAfterTryingDebug) {
    Script s;
    s.shutdownFound = false;
    EXPECT_EQ(0, RunScript(s));
    EXPECT_EQ((std::vector<std::string>{"SeDebugPrivilege", "SeShutdownPrivilege"}), s.lookups);
    EXPECT_EQ((std::vector<DWORD>{20}), AdjustedIds(s));
    EXPECT_TRUE(Closed(s.token));
}

TEST(EnableProcessPrivilegesDecisions, ResultIsTheShutdownAdjustment) {
    Script refused;
    refused.shutdownAdjustOk = false;
    EXPECT_EQ(0, RunScript(refused));
    EXPECT_TRUE(Closed(refused.token));

    // A token without the privilege: the call succeeds and only the last error
    // tells; the result is still 1.
    Script notHeld;
    notHeld.shutdownLastError = ERROR_NOT_ALL_ASSIGNED;
    EXPECT_EQ(1, RunScript(notHeld));
    EXPECT_TRUE(Closed(notHeld.token));
}

}  // namespace
