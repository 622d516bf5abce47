// On the Windows 95 family the process list gives full paths, cut at the last
// backslash; in a double-byte code page a character's trail byte may be 0x5C,
// which is no backslash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProcessTermination.h"
#include "TestSupport.h"

namespace {

// The process list the operation sees, and the processes it ended.
std::vector<std::string> g_listed;
size_t g_next = 0;
std::vector<DWORD> g_ended;

HANDLE WINAPI FakeSnapshot(DWORD, DWORD) { return ::CreateEventA(nullptr, TRUE, TRUE, nullptr); }
BOOL WINAPI FakeNext(HANDLE, LPPROCESSENTRY32 e) {
    if (g_next >= g_listed.size()) return FALSE;
    e->th32ProcessID = static_cast<DWORD>(100 + g_next);
    lstrcpynA(e->szExeFile, g_listed[g_next++].c_str(), MAX_PATH);
    return TRUE;
}
BOOL WINAPI FakeFirst(HANDLE snapshot, LPPROCESSENTRY32 e) {
    g_next = 0;
    return FakeNext(snapshot, e);
}
HANDLE WINAPI FakeOpen(DWORD, BOOL, DWORD pid) {
    g_ended.push_back(pid);
    return ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
}
BOOL WINAPI FakeTerminate(HANDLE, UINT) { return TRUE; }
DWORD WINAPI FakeWait(HANDLE, DWORD) { return WAIT_OBJECT_0; }
int Windows95Family() { return 0; }

}  // namespace

TEST(ProcessNames, ADoubleByteTrailByteIsNoBackslash) {
    const UINT cp = ::GetACP();
    ASSERT_TRUE(cp == 932 || cp == 936) << "runs in a double-byte code page";
    // 表 in code page 932, 乗 in 936: the trail byte of each is 0x5C.
    const std::string trail5c = cp == 932 ? "\x95\x5C" : "\x81\x5C";
    const struct {
        const char* name;
        std::string path;
        bool ended;
    } cases[] = {
        {"a program whose name ends in a table name", "C:\\Tools\\" + trail5c + "QWatch.EXE", false},
        {"a table program in a folder whose name ends in such a character", "C:\\" + trail5c + "\\QWatch.EXE", true},
        {"a table program", "C:\\Tools\\QWatch9x.EXE", true},
    };
    const ProcessCalls calls = {FakeSnapshot, FakeFirst, FakeNext, FakeOpen, FakeTerminate, FakeWait, Windows95Family};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_listed = {c.path};
        g_ended.clear();
        EXPECT_EQ(1, TerminateProductProcessesWith(calls));
        EXPECT_EQ(c.ended ? 1u : 0u, g_ended.size());
    }
}
