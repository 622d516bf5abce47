#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Handles.h"
#include "OsInfo.h"
#include "ProcTestSupport.h"
#include "ProcessTermination.h"
#include "TestSupport.h"

namespace {

using proctest::ProcessesNamed;

const char* const kTableNames[] = {"TQMPFW.EXE", "TQMStart.EXE", "QMailMon.EXE",
                                   "QPFWSvc.EXE", "QWatch.EXE", "QWatch9x.EXE"};

// Real processes of the do-nothing helper, copied under chosen names.
class TerminationTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kTableNames)
            ASSERT_TRUE(ProcessesNamed(name).empty()) << name << " already runs in the prefix";
    }

    // Starts a copy of the helper named name in subfolder sub of the scratch folder.
    tolmtest::ChildProcess& Start(const std::string& sub, const std::string& name) {
        std::string folder = m_dir / sub;
        ::CreateDirectoryA(folder.c_str(), nullptr);
        std::string path = folder + "\\" + name;
        EXPECT_TRUE(proctest::CopyHelper("proc_sleeper.exe", path)) << path;
        m_children.push_back(std::make_unique<tolmtest::ChildProcess>());
        EXPECT_TRUE(m_children.back()->Start("\"" + path + "\"")) << path;
        return *m_children.back();
    }

    // True when child was ended by the operation (exit code 0) within a generous time.
    static bool EndedByTool(tolmtest::ChildProcess& child) {
        DWORD code = 0xFFFF;
        return child.Wait(10000, &code) && code == 0;
    }

    tolmtest::ScratchDir m_dir{"proc"};
    std::vector<std::unique_ptr<tolmtest::ChildProcess>> m_children;
};

TEST_F(TerminationTest, NothingOfTheTableRunsAndDecoysSurvive) {
    auto& prefixed = Start("a", "MyQWatch.EXE");
    auto& suffixed = Start("a", "QWatch.EXE.bak");
    auto& longer = Start("a", "TQMPFW.EXE.exe");
    ASSERT_TRUE(tolmtest::WaitUntil([] { return !ProcessesNamed("MyQWatch.EXE").empty(); }, 10000));

    EXPECT_EQ(1, TerminateProductProcesses());
    EXPECT_TRUE(prefixed.Running());
    EXPECT_TRUE(suffixed.Running());
    EXPECT_TRUE(longer.Running());
}

TEST_F(TerminationTest, EndsEveryTableProcessInAnyCaseIncludingTwoOfOneProgram) {
    std::vector<tolmtest::ChildProcess*> product;
    for (const char* name : kTableNames) product.push_back(&Start("a", name));
    product.push_back(&Start("b", "QWatch.EXE"));  // a second one of the same program
    product.push_back(&Start("c", "qwatch.exe"));  // reported in lower case
    auto& decoy = Start("d", "MyQWatch.EXE");
    for (auto* p : product) ASSERT_TRUE(p->Running());
    ASSERT_TRUE(tolmtest::WaitUntil([] { return ProcessesNamed("QWatch.EXE").size() == 3; }, 10000))
        << "the snapshot should list three QWatch processes";

    EXPECT_EQ(1, TerminateProductProcesses());
    for (auto* p : product) EXPECT_TRUE(EndedByTool(*p)) << "pid " << p->Pid();
    EXPECT_TRUE(decoy.Running());
    for (const char* name : kTableNames) EXPECT_TRUE(ProcessesNamed(name).empty()) << name;
}

// The real calls, recorded, with chosen ones made to fail for chosen processes.
struct Recorder {
    std::set<DWORD> refuseOpen;     // OpenProcess fails as for access denied
    std::set<DWORD> failTerminate;  // TerminateProcess fails (the process is left running)
    std::set<DWORD> slowToEnd;      // terminated, but the 200 ms wait runs out
    std::map<DWORD, std::string> reportAs;  // szExeFile reported instead of the real one
    int isNT = -1;                  // what IsWindowsNT answers; -1 asks the system
    bool failSnapshot = false;
    bool failFirst = false;

    std::vector<HANDLE> handles;    // every handle given to the operation
    std::vector<DWORD> opened;      // process ids OpenProcess was asked for
    std::vector<DWORD> openAccess;
    std::vector<UINT> exitCodes;
    std::vector<DWORD> waitTimeouts;
    std::map<HANDLE, DWORD> pidOf;
    int entries = 0;
    int ntQueries = 0;
};
Recorder* g_rec = nullptr;

HANDLE WINAPI RecSnapshot(DWORD flags, DWORD pid) {
    if (g_rec->failSnapshot || flags != TH32CS_SNAPPROCESS || pid != 0) return INVALID_HANDLE_VALUE;
    HANDLE h = ::CreateToolhelp32Snapshot(flags, pid);
    g_rec->handles.push_back(h);
    return h;
}

BOOL Report(BOOL ok, LPPROCESSENTRY32 e) {
    if (!ok) return ok;
    ++g_rec->entries;
    auto it = g_rec->reportAs.find(e->th32ProcessID);
    if (it != g_rec->reportAs.end()) lstrcpynA(e->szExeFile, it->second.c_str(), MAX_PATH);
    return ok;
}

BOOL WINAPI RecFirst(HANDLE snap, LPPROCESSENTRY32 e) {
    if (e->dwSize != 296) return FALSE;
    if (g_rec->failFirst) return FALSE;
    return Report(::Process32First(snap, e), e);
}

BOOL WINAPI RecNext(HANDLE snap, LPPROCESSENTRY32 e) { return Report(::Process32Next(snap, e), e); }

HANDLE WINAPI RecOpen(DWORD access, BOOL inherit, DWORD pid) {
    g_rec->opened.push_back(pid);
    g_rec->openAccess.push_back(access);
    if (g_rec->refuseOpen.count(pid)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    HANDLE h = ::OpenProcess(access, inherit, pid);
    if (h) {
        g_rec->handles.push_back(h);
        g_rec->pidOf[h] = pid;
    }
    return h;
}

BOOL WINAPI RecTerminate(HANDLE process, UINT code) {
    g_rec->exitCodes.push_back(code);
    if (g_rec->failTerminate.count(g_rec->pidOf[process])) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ::TerminateProcess(process, code);
}

DWORD WINAPI RecWait(HANDLE h, DWORD ms) {
    g_rec->waitTimeouts.push_back(ms);
    DWORD r = ::WaitForSingleObject(h, ms);
    return g_rec->slowToEnd.count(g_rec->pidOf[h]) ? WAIT_TIMEOUT : r;
}

int RecIsNT() {
    ++g_rec->ntQueries;
    return g_rec->isNT < 0 ? IsWindowsNT() : g_rec->isNT;
}

int RunRecorded(Recorder& r) {
    g_rec = &r;
    ProcessCalls calls = {RecSnapshot, RecFirst, RecNext, RecOpen, RecTerminate, RecWait, RecIsNT};
    int result = TerminateProductProcessesWith(calls);
    g_rec = nullptr;
    return result;
}

bool AllClosed(const Recorder& r) {
    for (HANDLE h : r.handles) {
        DWORD flags = 0;
        if (::GetHandleInformation(h, &flags)) return false;
    }
    return true;
}

TEST_F(TerminationTest, AsksForFullNt5AccessExitCodeZeroAndA200msWaitAndClosesEverything) {
    auto& a = Start("a", "QMailMon.EXE");
    auto& b = Start("b", "QMailMon.EXE");
    ASSERT_TRUE(tolmtest::WaitUntil([] { return ProcessesNamed("QMailMon.EXE").size() == 2; }, 10000));

    Recorder r;
    EXPECT_EQ(1, RunRecorded(r));
    EXPECT_EQ((std::set<DWORD>{a.Pid(), b.Pid()}), std::set<DWORD>(r.opened.begin(), r.opened.end()));
    EXPECT_EQ(2u, r.opened.size());
    EXPECT_EQ((std::vector<DWORD>{0x1F0FFF, 0x1F0FFF}), r.openAccess);
    EXPECT_EQ((std::vector<UINT>{0, 0}), r.exitCodes);
    EXPECT_EQ((std::vector<DWORD>{200, 200}), r.waitTimeouts);
    EXPECT_EQ(r.entries, r.ntQueries) << "the platform is asked anew for every entry";
    EXPECT_EQ(3u, r.handles.size());
    EXPECT_TRUE(AllClosed(r));
}

TEST_F(TerminationTest, AProcessThatMayNotBeOpenedStaysCountedAndTheOthersAreStillEnded) {
    auto& refused = Start("a", "QWatch.EXE");
    auto& other = Start("b", "QWatch.EXE");
    auto& third = Start("a", "TQMStart.EXE");
    ASSERT_TRUE(tolmtest::WaitUntil([] { return ProcessesNamed("QWatch.EXE").size() == 2; }, 10000));

    Recorder r;
    r.refuseOpen.insert(refused.Pid());
    EXPECT_EQ(0, RunRecorded(r));
    EXPECT_TRUE(EndedByTool(other));
    EXPECT_TRUE(EndedByTool(third));
    EXPECT_TRUE(refused.Running());
    EXPECT_EQ(3u, r.opened.size());
    EXPECT_TRUE(AllClosed(r));
}

TEST_F(TerminationTest, AFailedTerminationOrAnEndSlowerThan200msGivesZero) {
    auto& stubborn = Start("a", "QPFWSvc.EXE");
    auto& slow = Start("a", "TQMPFW.EXE");
    ASSERT_TRUE(tolmtest::WaitUntil([] { return !ProcessesNamed("TQMPFW.EXE").empty(); }, 10000));

    Recorder r;
    r.failTerminate.insert(stubborn.Pid());
    r.slowToEnd.insert(slow.Pid());
    EXPECT_EQ(0, RunRecorded(r));
    EXPECT_TRUE(stubborn.Running());
    EXPECT_TRUE(EndedByTool(slow)) << "terminated, only not seen to end in time";
    EXPECT_EQ(1u, r.waitTimeouts.size()) << "no wait after a failed termination";
    EXPECT_TRUE(AllClosed(r));

    // Each case alone is enough for a 0.
    Recorder onlyStubborn;
    onlyStubborn.failTerminate.insert(stubborn.Pid());
    EXPECT_EQ(0, RunRecorded(onlyStubborn));
    EXPECT_TRUE(AllClosed(onlyStubborn));
}

TEST_F(TerminationTest, NoProcessListGivesZero) {
    auto& p = Start("a", "QWatch.EXE");
    ASSERT_TRUE(p.Running());

    Recorder noSnapshot;
    noSnapshot.failSnapshot = true;
    EXPECT_EQ(0, RunRecorded(noSnapshot));

    Recorder noFirst;
    noFirst.failFirst = true;
    EXPECT_EQ(0, RunRecorded(noFirst));
    EXPECT_EQ(1u, noFirst.handles.size());
    EXPECT_TRUE(AllClosed(noFirst)) << "the snapshot is closed after a failed first read";
    EXPECT_TRUE(noFirst.opened.empty());
    EXPECT_TRUE(p.Running());

    // A system without the snapshot functions (NT 4): each missing one gives 0.
    const ProcessCalls& sys = SystemProcessCalls();
    ASSERT_TRUE(sys.createSnapshot && sys.processFirst && sys.processNext) << "looked up in kernel32";
    for (int missing = 0; missing < 3; ++missing) {
        ProcessCalls calls = sys;
        if (missing == 0) calls.createSnapshot = nullptr;
        if (missing == 1) calls.processFirst = nullptr;
        if (missing == 2) calls.processNext = nullptr;
        EXPECT_EQ(0, TerminateProductProcessesWith(calls)) << missing;
    }
    EXPECT_TRUE(p.Running());
}

TEST_F(TerminationTest, FullPathNamesMatchByLastComponentOnlyOnTheWindows95Family) {
    auto& p = Start("a", "sleeper.exe");
    ASSERT_TRUE(tolmtest::WaitUntil([] { return !ProcessesNamed("sleeper.exe").empty(); }, 10000));
    const std::string path = "C:\\Tools\\QWatch9x.EXE";

    // NT: the whole text is compared, so a path matches nothing.
    Recorder nt;
    nt.isNT = 1;
    nt.reportAs[p.Pid()] = path;
    EXPECT_EQ(1, RunRecorded(nt));
    EXPECT_TRUE(nt.opened.empty());
    EXPECT_TRUE(p.Running());

    // Windows 95 family: the part after the last backslash is compared.
    Recorder w9x;
    w9x.isNT = 0;
    w9x.reportAs[p.Pid()] = path;
    EXPECT_EQ(1, RunRecorded(w9x));
    EXPECT_EQ((std::vector<DWORD>{p.Pid()}), w9x.opened);
    EXPECT_TRUE(EndedByTool(p));
    EXPECT_EQ(w9x.entries, w9x.ntQueries);
    EXPECT_TRUE(AllClosed(w9x));
}

TEST_F(TerminationTest, UnderWindows95EmulationBareNamesStillMatch) {
    auto& product = Start("a", "QWatch9x.EXE");
    auto& decoy = Start("a", "QWatch9x.EXE.bak");
    ASSERT_TRUE(tolmtest::WaitUntil([] { return !ProcessesNamed("QWatch9x.EXE").empty(); }, 10000));

    DWORD code = 0;
    ASSERT_TRUE(proctest::RunProbeAsWindows95(m_dir.Path(), "terminate", &code));
    EXPECT_EQ(1u, code) << "result 1 with IsWindowsNT 0 expected";
    EXPECT_TRUE(EndedByTool(product));
    EXPECT_TRUE(decoy.Running());
}

}  // namespace
