// The run's decisions through substituted operations: cases Wine cannot make
// (no administrator rights, failing steps) and the exact order of the calls.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "../../cleanup/files/KeptPaths.h"
#include "../../res/resource.h"
#include "../../run/RunSequence.h"
#include "TestSupport.h"

namespace {

// What the fake operations report and what they saw.
struct Fake {
    std::vector<std::string> calls;
    DWORD version = 0x0A280105;  // NT: high bit clear
    int admin = 1, nt = 1, vista = 0, supported = 1;
    std::string description = "Microsoft Windows XP ";
    int lookup = 0;  // which lookup finds the folder (0..3), -1 none
    std::string folder = "C:\\Apps\\ZRP2007";
    HRESULT engines = S_OK;
    int machineKeys = 1, userKeys = 1, driverKeys = 1, runValues = 1, services = 1, processes = 1;
    std::vector<int> records = {1, 1, 1};
    size_t recordCall = 0;
    const char* folderBuffer = nullptr;  // the buffer the folder removal got
    std::string scheduled;
    const char* scheduledBuffer = nullptr;
    int folderCleaned = 1;    // what the folder removal reports
    std::string startFolder;  // what the command line names, "" none
    int holdsSuite = 1;       // whether the folder holds one of the suite's programs
    int rulesCopied = 1;      // what the rule copies report
    std::vector<std::string> kept;  // what the folder removal was told to leave
};
Fake* g = nullptr;

void Call(const std::string& s) { g->calls.push_back(s); }
int Found(char* buffer, int which) {
    if (g->lookup != which) return 0;
    std::strcpy(buffer, g->folder.c_str());
    return 1;
}

const RunOperations kFakeOps = {
    []() WINAPI -> DWORD { Call("GetVersion"); return g->version; },
    [] { Call("CanManageServices"); return g->admin; },
    [] { return g->nt; },
    [] { return g->vista; },
    [](CString& d) { Call("GetOSDescription"); d += g->description.c_str(); return g->supported; },
    [] { Call("EnableProcessPrivileges"); return 0; },
    [](char* b, HKEY root) {
        Call(root == HKEY_LOCAL_MACHINE ? "ReadAntivirus(HKLM)" : "ReadAntivirus(HKCU)");
        return Found(b, root == HKEY_LOCAL_MACHINE ? 0 : 1);
    },
    [](char* b) { Call("ReadFirewall"); return Found(b, 2); },
    [](char* b) { Call("ReadUpdate"); return Found(b, 3); },
    [] { Call("RestoreScriptEngines"); return g->engines; },
    [](HKEY root) { Call(root == HKEY_LOCAL_MACHINE ? "DeleteProductKeys(HKLM)" : "DeleteProductKeys(HKCU)");
                    return root == HKEY_LOCAL_MACHINE ? g->machineKeys : g->userKeys; },
    [](HKEY root) { Call(root == HKEY_LOCAL_MACHINE ? "DeleteUpdateKey(HKLM)" : "DeleteUpdateKey(HKCU)");
                    return root == HKEY_LOCAL_MACHINE ? g->machineKeys : g->userKeys; },
    [] { Call("DeleteDriverServiceKeys"); return g->driverKeys; },
    [] { Call("DeleteRunValues"); return g->runValues; },
    [] { Call("RemoveProductServices"); return g->services; },
    [] { Call("TerminateProductProcesses"); return g->processes; },
    [](const char* code) { Call(std::string("RemoveInstallerRecordFolder ") + code); return g->records[g->recordCall++]; },
    [](HKEY root, const char* key) -> LONG {
        Call(std::string(root == HKEY_LOCAL_MACHINE ? "DeleteRegistryTree HKLM\\" : "DeleteRegistryTree ?\\") + key);
        return 2;
    },
    [](const char* dir, KeptPaths* uncopied) {
        Call(std::string("PreserveUserRules ") + dir);
        if (!g->rulesCopied) uncopied->Add((std::string(dir) + "\\Rules").c_str());
        return g->rulesCopied;
    },
    [](char* dir, size_t capacity, const KeptPaths* keep) {
        Call(std::string("RemoveProductFolder ") + dir);
        if (keep) g->kept = keep->Paths();
        g->folderBuffer = dir;
        size_t n = std::strlen(dir);
        if (n && dir[n - 1] != '\\' && n + 1 < capacity) std::strcat(dir, "\\");
        return g->folderCleaned;
    },
    [](const char* dir) { Call(std::string("ScheduleFolderRemoval ") + dir); g->scheduledBuffer = dir; return 1; },
    [] { Call("PrepareVistaCompanion"); return 1; },
    [](UINT flags, DWORD reason) WINAPI -> BOOL {
        Call("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
        return TRUE;
    },
    [](char* buffer, size_t capacity) {
        Call("ReadStartFolder");
        if (g->startFolder.empty() || g->startFolder.size() >= capacity) return 0;
        std::strcpy(buffer, g->startFolder.c_str());
        return 1;
    },
    nullptr,  // no report
    [](const char* dir) { Call(std::string("HoldsSuiteProgram ") + dir); return g->holdsSuite; },
};

struct Box {
    std::string text;
    bool defaultCaption;
    std::string caption;
    UINT type;
    int progress;
};

class FakeHost : public RunHost {
public:
    std::deque<int> answers;  // answers in order; IDYES when none is left
    std::vector<Box> boxes;
    std::string log;
    std::vector<int> progress;
    int refreshes = 0;
    bool runDisabled = false;
    int quit = -1;

    int Message(const char* text, const char* caption, UINT type) override {
        boxes.push_back({text, caption == nullptr, caption ? caption : "", type, progress.empty() ? -1 : progress.back()});
        g->calls.push_back("Message");
        int a = IDYES;
        if (!answers.empty()) { a = answers.front(); answers.pop_front(); }
        return a;
    }
    void AppendLog(const CString& text) override { log += text.GetString(); }
    void RefreshLog() override { ++refreshes; }
    void SetProgress(int p) override { progress.push_back(p); }
    void DisableRunButton() override { runDisabled = true; }
    void PostQuit(int code) override { quit = code; }
};

std::string S(UINT id) {
    CString s;
    s.LoadString(id);
    return s.GetString();
}

class RunSequence : public ::testing::Test {
protected:
    void SetUp() override { g = &fake; }
    void TearDown() override { g = nullptr; }
    bool Called(const std::string& name) const {
        for (const auto& c : fake.calls)
            if (c.compare(0, name.size(), name) == 0) return true;
        return false;
    }
    Fake fake;
    FakeHost host;
};

TEST_F(RunSequence, NotAnAdministratorOnNtGetsMessage117AndNothingElse) {
    fake.admin = 0;
    RunUninstall(kInteractiveRun, host, kFakeOps);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, S(IDS_NOT_ADMIN));
    EXPECT_EQ(host.boxes[0].caption, S(IDS_CAPTION_ERROR));
    EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"GetVersion", "CanManageServices", "Message"}));
    EXPECT_TRUE(host.runDisabled);
    EXPECT_TRUE(host.log.empty());
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.quit, -1);
}

TEST_F(RunSequence, Windows95FamilySkipsTheAdministratorTest) {
    fake.version = 0xC0000A04;  // high bit set
    fake.admin = 0;
    fake.nt = 0;
    host.answers = {IDNO};
    RunUninstall(kInteractiveRun, host, kFakeOps);
    EXPECT_FALSE(Called("CanManageServices"));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, S(IDS_CONFIRM_REMOVE_ALL));
    EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"GetVersion", "Message"}));
}

TEST_F(RunSequence, SilentRunHasNoAdministratorTestAndGoesThroughEveryStep) {
    fake.admin = 0;
    host.answers = {IDNO};  // the restart question
    RunUninstall(kSilentRun, host, kFakeOps);
    EXPECT_FALSE(Called("GetVersion"));
    EXPECT_FALSE(Called("CanManageServices"));
    EXPECT_TRUE(Called("RemoveProductFolder"));
    EXPECT_FALSE(host.runDisabled);
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.refreshes, 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, S(IDS_ASK_RESTART));
    EXPECT_FALSE(host.boxes[0].defaultCaption);
    EXPECT_EQ(host.boxes[0].caption, "");
}

std::vector<std::string> Records() {
    std::vector<std::string> v;
    for (const char* code : kProductCodes) {
        v.push_back(std::string("RemoveInstallerRecordFolder ") + code);
        v.push_back(std::string("DeleteRegistryTree HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + code);
    }
    return v;
}

TEST_F(RunSequence, InteractiveRunOnVistaCallsEveryOperationInOrder) {
    fake.vista = 1;
    fake.lookup = 2;  // only the firewall's key knows the folder
    RunUninstall(kInteractiveRun, host, kFakeOps);
    std::vector<std::string> want = {
        "GetVersion", "CanManageServices", "Message", "GetOSDescription", "EnableProcessPrivileges",
        "ReadAntivirus(HKLM)", "ReadAntivirus(HKCU)", "ReadFirewall", "RestoreScriptEngines",
        "DeleteProductKeys(HKLM)", "DeleteProductKeys(HKCU)", "DeleteDriverServiceKeys", "DeleteRunValues",
        "RemoveProductServices", "TerminateProductProcesses"};
    for (const auto& r : Records()) want.push_back(r);
    for (const char* s : {"Message", "PreserveUserRules C:\\Apps\\ZRP2007", "RemoveProductFolder C:\\Apps\\ZRP2007",
                          "ScheduleFolderRemoval C:\\Apps\\ZRP2007\\", "PrepareVistaCompanion", "Message",
                          "ExitWindowsEx 6 0"})
        want.push_back(s);
    EXPECT_EQ(fake.calls, want);
    EXPECT_EQ(host.progress, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 100}));
    // One buffer through the steps: the deferred removal sees the appended backslash.
    EXPECT_EQ(fake.scheduledBuffer, fake.folderBuffer);
    ASSERT_EQ(host.boxes.size(), 3u);
    CString q;
    q.Format(S(IDS_CONFIRM_DELETE_FILES).c_str(), "C:\\Apps\\ZRP2007");
    EXPECT_EQ(host.boxes[1].text, q.GetString());
    EXPECT_EQ(host.boxes[1].caption, S(IDS_CAPTION_ALERT));
    EXPECT_EQ(host.boxes[1].type, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(host.boxes[1].progress, 70);
    EXPECT_EQ(host.boxes[2].caption, "");
    EXPECT_EQ(host.boxes[2].progress, 100);
    const std::string ok = S(IDS_SUFFIX_SUCCESS);
    EXPECT_EQ(host.log, S(IDS_LOG_START) + S(IDS_STEP_SCRIPT_ENGINES) + ok + S(IDS_STEP_REGISTRY) + ok +
                            S(IDS_STEP_SERVICES) + ok + S(IDS_STEP_INSTALLER) + ok + S(IDS_STEP_FILES) + ok);
    EXPECT_EQ(host.refreshes, 6);
}

TEST_F(RunSequence, SilentRunOnVistaSchedulesNothingAndDeletesOnlyTheUpdateKeys) {
    fake.vista = 1;
    RunUninstall(kSilentRun, host, kFakeOps);
    EXPECT_TRUE(Called("DeleteUpdateKey(HKLM)"));
    EXPECT_TRUE(Called("DeleteUpdateKey(HKCU)"));
    EXPECT_FALSE(Called("DeleteProductKeys"));
    EXPECT_TRUE(Called("PreserveUserRules"));
    EXPECT_FALSE(Called("ScheduleFolderRemoval"));
    EXPECT_TRUE(Called("PrepareVistaCompanion"));
    EXPECT_TRUE(Called("ExitWindowsEx 6 0"));
}

TEST_F(RunSequence, SilentRunElsewhereSchedulesAndNeverPreparesTheCompanion) {
    RunUninstall(kSilentRun, host, kFakeOps);
    EXPECT_FALSE(Called("PreserveUserRules"));
    EXPECT_TRUE(Called("ScheduleFolderRemoval C:\\Apps\\ZRP2007\\"));
    EXPECT_FALSE(Called("PrepareVistaCompanion"));
}

TEST_F(RunSequence, FailedStepsOnlyChangeTheirSuffix) {
    const std::string ok = S(IDS_SUFFIX_SUCCESS), bad = S(IDS_SUFFIX_FAILURE);
    struct Case { const char* what; void (*set)(Fake&); std::string e, r, s, i; };
    const Case cases[] = {
        {"engines", [](Fake& f) { f.engines = E_FAIL; }, bad, ok, ok, ok},
        {"machine keys", [](Fake& f) { f.machineKeys = 0; }, ok, bad, ok, ok},
        {"user keys", [](Fake& f) { f.userKeys = 0; }, ok, bad, ok, ok},
        {"driver keys", [](Fake& f) { f.driverKeys = 0; }, ok, bad, ok, ok},
        {"run values", [](Fake& f) { f.runValues = 0; }, ok, bad, ok, ok},
        {"services", [](Fake& f) { f.services = 0; }, ok, ok, bad, ok},
        {"processes", [](Fake& f) { f.processes = 0; }, ok, ok, bad, ok},
        {"first two records", [](Fake& f) { f.records = {0, 0, 1}; }, ok, ok, ok, ok},
        {"third record", [](Fake& f) { f.records = {1, 1, 0}; }, ok, ok, ok, bad},
        {"9x: no services, processes fine", [](Fake& f) { f.nt = 0; f.version = 0xC0000A04; f.services = 0; }, ok, ok, ok, ok},
    };
    for (const Case& c : cases) {
        Fake f;
        c.set(f);
        g = &f;
        FakeHost h;
        h.answers = {IDYES, IDYES, IDNO};
        RunUninstall(kInteractiveRun, h, kFakeOps);
        EXPECT_EQ(h.log, S(IDS_LOG_START) + S(IDS_STEP_SCRIPT_ENGINES) + c.e + S(IDS_STEP_REGISTRY) + c.r +
                             S(IDS_STEP_SERVICES) + c.s + S(IDS_STEP_INSTALLER) + c.i + S(IDS_STEP_FILES) + ok)
            << c.what;
        EXPECT_EQ(h.progress.back(), 100) << c.what;
        bool servicesCalled = false;
        for (const auto& call : f.calls) servicesCalled |= call == "RemoveProductServices";
        EXPECT_EQ(servicesCalled, f.nt != 0) << c.what;
    }
    g = &fake;
}

TEST_F(RunSequence, NoToTheFileQuestionKeepsFilesButStillPreparesAndAsks) {
    fake.vista = 1;
    host.answers = {IDYES, IDNO, IDNO};
    RunUninstall(kInteractiveRun, host, kFakeOps);
    EXPECT_FALSE(Called("PreserveUserRules"));
    EXPECT_FALSE(Called("RemoveProductFolder"));
    EXPECT_FALSE(Called("ScheduleFolderRemoval"));
    EXPECT_TRUE(Called("PrepareVistaCompanion"));
    EXPECT_FALSE(Called("ExitWindowsEx"));
    ASSERT_EQ(host.boxes.size(), 3u);
    EXPECT_EQ(host.boxes[2].text, S(IDS_ASK_RESTART));
    CString notDone;
    notDone.LoadString(IDS_SUFFIX_NOT_DONE);  // absent from the Japanese table
    const std::string tail = S(IDS_STEP_FILES) + notDone.GetString();
    ASSERT_GE(host.log.size(), tail.size());
    EXPECT_EQ(host.log.substr(host.log.size() - tail.size()), tail);
}

TEST_F(RunSequence, WithoutAFolderTheRunEndsWith110UnderTheDefaultTitle) {
    fake.lookup = -1;
    fake.vista = 1;
    RunUninstall(kInteractiveRun, host, kFakeOps);
    EXPECT_TRUE(Called("ReadUpdate"));
    EXPECT_TRUE(Called("TerminateProductProcesses"));
    for (const char* op : {"PreserveUserRules", "RemoveProductFolder", "ScheduleFolderRemoval", "PrepareVistaCompanion",
                           "ExitWindowsEx"})
        EXPECT_FALSE(Called(op)) << op;
    ASSERT_EQ(host.boxes.size(), 3u);
    EXPECT_EQ(host.boxes[1].text, S(IDS_NO_INSTALL_PATH));
    EXPECT_EQ(host.boxes[1].caption, S(IDS_CAPTION_ALERT));
    EXPECT_EQ(host.boxes[1].progress, -1);  // before position 0
    EXPECT_EQ(host.boxes[2].text, S(IDS_DONE_NO_PATH));
    EXPECT_TRUE(host.boxes[2].defaultCaption);
    EXPECT_EQ(host.boxes[2].type, static_cast<UINT>(MB_OK));
    const std::string tail = S(IDS_STEP_FILES) + S(IDS_SUFFIX_FAILURE);
    EXPECT_EQ(host.log.substr(host.log.size() - tail.size()), tail);
}

TEST_F(RunSequence, UnsupportedSystemEndsBeforeAnyRemoval) {
    fake.supported = 0;
    fake.description = "Microsoft Windows NT ";
    RunUninstall(kInteractiveRun, host, kFakeOps);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text, S(IDS_OS_PREFIX) + "  Microsoft Windows NT , " + S(IDS_OS_UNSUPPORTED));
    EXPECT_EQ(host.boxes[1].type, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(host.quit, 3);
    EXPECT_FALSE(Called("EnableProcessPrivileges"));
    EXPECT_FALSE(Called("ReadAntivirus"));

    Fake f;
    f.supported = 0;
    g = &f;
    FakeHost silent;
    RunUninstall(kSilentRun, silent, kFakeOps);
    EXPECT_TRUE(silent.boxes.empty());
    EXPECT_EQ(silent.quit, 3);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"GetOSDescription"}));
    g = &fake;
}

TEST_F(RunSequence, LookupStopsAtTheFirstPlaceThatKnowsTheFolder) {
    fake.lookup = 1;
    host.answers = {IDYES, IDYES, IDNO};
    RunUninstall(kInteractiveRun, host, kFakeOps);
    EXPECT_TRUE(Called("ReadAntivirus(HKCU)"));
    EXPECT_FALSE(Called("ReadFirewall"));
    EXPECT_FALSE(Called("ReadUpdate"));
    // Declining the folder question ends the run before any removal.
    Fake f;
    f.lookup = -1;
    g = &f;
    FakeHost h;
    h.answers = {IDNO};
    RunUninstall(kSilentRun, h, kFakeOps);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"GetOSDescription", "EnableProcessPrivileges", "ReadAntivirus(HKLM)",
                                                 "ReadAntivirus(HKCU)", "ReadFirewall", "ReadUpdate", "Message"}));
    ASSERT_EQ(h.boxes.size(), 1u);
    EXPECT_EQ(h.boxes[0].caption, "");
    EXPECT_TRUE(h.log.empty());
    g = &fake;
}

// Started again after the restart: the registry knows no folder any more, the
// command line names the one that stayed. The interactive run takes it, asks
// 109 about it and removes it; the silent run still asks 107.
TEST_F(RunSequence, FolderFromTheCommandLineWhenTheRegistryKnowsNone) {
    fake.lookup = -1;
    fake.startFolder = "C:\\Apps\\ZRP2007\\";
    host.answers = {IDYES, IDYES, IDNO};
    RunUninstall(kInteractiveRun, host, kFakeOps);
    ASSERT_EQ(host.boxes.size(), 3u);
    CString q;
    q.Format(S(IDS_CONFIRM_DELETE_FILES).c_str(), "C:\\Apps\\ZRP2007\\");
    EXPECT_EQ(host.boxes[1].text, q.GetString());
    EXPECT_EQ(host.boxes[2].text, S(IDS_ASK_RESTART));
    EXPECT_TRUE(Called("RemoveProductFolder C:\\Apps\\ZRP2007\\"));
    EXPECT_TRUE(Called("ScheduleFolderRemoval C:\\Apps\\ZRP2007\\"));
    const std::string tail = S(IDS_STEP_FILES) + S(IDS_SUFFIX_SUCCESS);
    EXPECT_EQ(host.log.substr(host.log.size() - tail.size()), tail);

    // A folder the registry knows wins; the command line is not even read.
    Fake known;
    known.startFolder = "C:\\Other\\";
    g = &known;
    FakeHost k;
    RunUninstall(kInteractiveRun, k, kFakeOps);
    for (const auto& c : known.calls) EXPECT_NE(c, "ReadStartFolder");

    Fake silent;
    silent.lookup = -1;
    silent.startFolder = "C:\\Apps\\ZRP2007\\";
    g = &silent;
    FakeHost h;
    h.answers = {IDNO};
    RunUninstall(kSilentRun, h, kFakeOps);
    ASSERT_EQ(h.boxes.size(), 1u);
    EXPECT_EQ(h.boxes[0].text, S(IDS_NO_INSTALL_PATH));
    g = &fake;
}

// A folder the removal refused to clean is no success on the file line.
TEST_F(RunSequence, RefusedFolderMarksTheFileLineFailed) {
    for (const RunMode* mode : {&kInteractiveRun, &kSilentRun}) {
        Fake f;
        f.folderCleaned = 0;
        g = &f;
        FakeHost h;
        h.answers = {IDYES, IDYES, IDNO};
        RunUninstall(*mode, h, kFakeOps);
        const std::string tail = S(IDS_STEP_FILES) + S(IDS_SUFFIX_FAILURE);
        ASSERT_GE(h.log.size(), tail.size());
        EXPECT_EQ(h.log.substr(h.log.size() - tail.size()), tail) << (mode == &kSilentRun ? "silent" : "interactive");
        for (const auto& c : f.calls) EXPECT_NE(0u, c.rfind("ScheduleFolderRemoval", 0)) << "no second start for a refused folder";
    }
    g = &fake;
}

// A folder that only a per-user value names is cleaned by a run that asks
// nothing before the files only when the suite is there; otherwise that run
// goes on as without a folder (107). The interactive run names it in 109.
TEST_F(RunSequence, QuestionLessRunTrustsAPerUserFolderOnlyWhenItHoldsTheSuite) {
    struct Case {
        const char* name;
        const RunMode* mode;
        int lookup, holds;
        bool cleaned;
    } cases[] = {
        {"silent, machine value", &kSilentRun, 0, 0, true},
        {"silent, user antivirus value, no suite", &kSilentRun, 1, 0, false},
        {"silent, firewall value, no suite", &kSilentRun, 2, 0, false},
        {"silent, update value, no suite", &kSilentRun, 3, 0, false},
        {"silent, update value, suite there", &kSilentRun, 3, 1, true},
        {"interactive, user value, no suite", &kInteractiveRun, 1, 0, true},
    };
    for (const Case& c : cases) {
        Fake f;
        f.lookup = c.lookup;
        f.holdsSuite = c.holds;
        g = &f;
        FakeHost h;
        h.answers = {IDYES, IDYES, IDNO};
        RunUninstall(*c.mode, h, kFakeOps);
        bool removed = false;
        for (const auto& call : f.calls) removed |= call.rfind("RemoveProductFolder", 0) == 0;
        EXPECT_EQ(removed, c.cleaned) << c.name;
        bool asked107 = false;
        for (const Box& b : h.boxes) asked107 |= b.text == S(IDS_NO_INSTALL_PATH);
        EXPECT_EQ(asked107, !c.cleaned) << c.name;
    }
    g = &fake;
}

// Rules that could be copied nowhere are handed to the folder removal to keep,
// and the file line says the step failed.
TEST_F(RunSequence, UncopiedRulesAreKeptAndFailTheFileLine) {
    for (int copied : {1, 0}) {
        Fake f;
        f.vista = 1;
        f.rulesCopied = copied;
        g = &f;
        FakeHost h;
        h.answers = {IDYES, IDYES, IDNO};
        RunUninstall(kInteractiveRun, h, kFakeOps);
        EXPECT_EQ(f.kept, copied ? std::vector<std::string>{} : std::vector<std::string>{"C:\\Apps\\ZRP2007\\Rules"});
        const std::string tail = S(IDS_STEP_FILES) + S(copied ? IDS_SUFFIX_SUCCESS : IDS_SUFFIX_FAILURE);
        ASSERT_GE(h.log.size(), tail.size());
        EXPECT_EQ(h.log.substr(h.log.size() - tail.size()), tail) << copied;
    }
    g = &fake;
}

// What the tool accepts as its folder when started with an argument.
TEST(StartFolder, OnlyAnExistingAbsoluteFolderThatWouldBeCleaned) {
    tolmtest::ScratchDir s("startdir");
    const std::string dir = s / "Velkaris\\ZRP2007";
    ASSERT_TRUE(::CreateDirectoryA((s / "Velkaris").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
    ASSERT_TRUE(tolmtest::WriteFile(dir + "\\file.txt", "x"));
    char system[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 3u);
    char cwd[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, cwd);
    ::SetCurrentDirectoryA((s / "Velkaris").c_str());
    struct Case {
        std::string argument;
        std::string taken;  // "" refused
    } cases[] = {
        {dir + "\\", dir + "\\"},
        {dir, dir},
        {dir + "\\  ", dir + "\\"},  // blanks after it are no part of a folder name
        {"ZRP2007", ""},  // relative, though it exists below the current folder
        {"-s", ""},
        {"\"" + dir + "\"", ""},
        {dir + "\\missing\\", ""},
        {dir + "\\file.txt", ""},
        {system, ""},
        {std::string(system, 3), ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        char buffer[261];
        std::strcpy(buffer, "untouched");
        const int got = StartFolderFromArgument(c.argument.c_str(), buffer, sizeof buffer);
        EXPECT_EQ(got, c.taken.empty() ? 0 : 1) << c.argument;
        EXPECT_EQ(std::string(buffer), c.taken.empty() ? "untouched" : c.taken) << c.argument;
    }
    ::SetCurrentDirectoryA(cwd);
    char buffer[261] = {};
    EXPECT_EQ(0, StartFolderFromArgument(nullptr, buffer, sizeof buffer));
}

}  // namespace
