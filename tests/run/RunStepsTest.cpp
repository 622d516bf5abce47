// What each step's result does to the run's log line, the file step's own
// cases, and the folder the tool takes from its command line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../res/resource.h"
#include "../../run/UnattendedRun.h"
#include "FakeRun.h"
#include "TestSupport.h"
#include "RunSequenceFixture.h"

namespace {

TEST_F(RunSequence, FailedStepsOnlyChangeTheirSuffix) {
    const std::string ok = S(IDS_SUFFIX_SUCCESS), bad = S(IDS_SUFFIX_FAILURE);
    struct Case { const char* what; void (*set)(FakeOperations&); std::string e, r, s, i; };
    const Case cases[] = {
        {"engines", [](FakeOperations& f) { f.engines = E_FAIL; }, bad, ok, ok, ok},
        {"machine keys", [](FakeOperations& f) { f.machineKeys = 0; }, ok, bad, ok, ok},
        {"user keys", [](FakeOperations& f) { f.userKeys = 0; }, ok, bad, ok, ok},
        {"driver keys", [](FakeOperations& f) { f.driverKeys = 0; }, ok, bad, ok, ok},
        {"run values", [](FakeOperations& f) { f.runValues = 0; }, ok, bad, ok, ok},
        {"services", [](FakeOperations& f) { f.services = 0; }, ok, ok, bad, ok},
        {"processes", [](FakeOperations& f) { f.processes = 0; }, ok, ok, bad, ok},
        {"first two records", [](FakeOperations& f) { f.records = {0, 0, 1}; }, ok, ok, ok, ok},
        {"third record", [](FakeOperations& f) { f.records = {1, 1, 0}; }, ok, ok, ok, bad},
        {"9x: no services, processes fine", [](FakeOperations& f) { f.nt = 0; f.version = 0xC0000A04; f.services = 0; }, ok, ok, ok, ok},
    };
    for (const Case& c : cases) {
        FakeOperations f;
        c.set(f);
        FakeHost h;
        h.answers = {IDYES, IDYES, IDNO};
        RunUninstall(kInteractiveRun, h, f);
        EXPECT_EQ(h.log, S(IDS_LOG_START) + S(IDS_STEP_SCRIPT_ENGINES) + c.e + S(IDS_STEP_REGISTRY) + c.r +
                             S(IDS_STEP_SERVICES) + c.s + S(IDS_STEP_INSTALLER) + c.i + S(IDS_STEP_FILES) + ok)
            << c.what;
        EXPECT_EQ(h.progress.back(), 100) << c.what;
        bool servicesCalled = false;
        for (const auto& call : f.calls) servicesCalled |= call == "RemoveProductServices";
        EXPECT_EQ(servicesCalled, f.nt != 0) << c.what;
    }
}

TEST_F(RunSequence, NoToTheFileQuestionKeepsFilesButStillPreparesAndAsks) {
    fake.vista = 1;
    host.answers = {IDYES, IDNO, IDNO};
    RunUninstall(kInteractiveRun, host, fake);
    EXPECT_FALSE(Called("PreserveUserRules"));
    EXPECT_FALSE(Called("RemoveProductFolder"));
    EXPECT_FALSE(Called("ScheduleFolderRemoval"));
    EXPECT_TRUE(Called("PrepareVistaCompanion"));
    EXPECT_FALSE(Called("Restart"));
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
    RunUninstall(kInteractiveRun, host, fake);
    EXPECT_TRUE(Called("ReadUpdate"));
    EXPECT_TRUE(Called("TerminateProductProcesses"));
    for (const char* op : {"PreserveUserRules", "RemoveProductFolder", "ScheduleFolderRemoval", "PrepareVistaCompanion",
                           "Restart"})
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
    RunUninstall(kInteractiveRun, host, fake);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text, S(IDS_OS_PREFIX) + "  Microsoft Windows NT , " + S(IDS_OS_UNSUPPORTED));
    EXPECT_EQ(host.boxes[1].type, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(host.quit, 3);
    EXPECT_FALSE(Called("EnableProcessPrivileges"));
    EXPECT_FALSE(Called("ReadAntivirus"));

    FakeOperations f;
    f.supported = 0;
    FakeHost silent;
    RunUninstall(kSilentRun, silent, f);
    EXPECT_TRUE(silent.boxes.empty());
    EXPECT_EQ(silent.quit, 3);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"GetOSDescription"}));
}

TEST_F(RunSequence, LookupStopsAtTheFirstPlaceThatKnowsTheFolder) {
    fake.lookup = 1;
    host.answers = {IDYES, IDYES, IDNO};
    RunUninstall(kInteractiveRun, host, fake);
    EXPECT_TRUE(Called("ReadAntivirus(HKCU)"));
    EXPECT_FALSE(Called("ReadFirewall"));
    EXPECT_FALSE(Called("ReadUpdate"));
    // Declining the folder question ends the run before any removal.
    FakeOperations f;
    f.lookup = -1;
    FakeHost h;
    h.calls = &f.calls;
    h.answers = {IDNO};
    RunUninstall(kSilentRun, h, f);
    EXPECT_EQ(f.calls, (std::vector<std::string>{"GetOSDescription", "EnableProcessPrivileges", "ReadAntivirus(HKLM)",
                                                 "ReadAntivirus(HKCU)", "ReadFirewall", "ReadUpdate", "Message"}));
    ASSERT_EQ(h.boxes.size(), 1u);
    EXPECT_EQ(h.boxes[0].caption, "");
    EXPECT_TRUE(h.log.empty());
}

// Started again after the restart: the registry knows no folder any more, the
// command line names the one that stayed. The interactive run takes it, asks
// 109 about it and removes it; the silent run still asks 107.
TEST_F(RunSequence, FolderFromTheCommandLineWhenTheRegistryKnowsNone) {
    fake.lookup = -1;
    fake.startFolder = "C:\\Apps\\ZRP2007\\";
    host.answers = {IDYES, IDYES, IDNO};
    RunUninstall(kInteractiveRun, host, fake);
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
    FakeOperations known;
    known.startFolder = "C:\\Other\\";
    FakeHost k;
    RunUninstall(kInteractiveRun, k, known);
    for (const auto& c : known.calls) EXPECT_NE(c, "ReadStartFolder");

    FakeOperations silent;
    silent.lookup = -1;
    silent.startFolder = "C:\\Apps\\ZRP2007\\";
    FakeHost h;
    h.answers = {IDNO};
    RunUninstall(kSilentRun, h, silent);
    ASSERT_EQ(h.boxes.size(), 1u);
    EXPECT_EQ(h.boxes[0].text, S(IDS_NO_INSTALL_PATH));
}

// A folder the removal refused to clean is no success on the file line.
TEST_F(RunSequence, RefusedFolderMarksTheFileLineFailed) {
    for (const RunMode* mode : {&kInteractiveRun, &kSilentRun}) {
        FakeOperations f;
        f.folderCleaned = 0;
        FakeHost h;
        h.answers = {IDYES, IDYES, IDNO};
        RunUninstall(*mode, h, f);
        const std::string tail = S(IDS_STEP_FILES) + S(IDS_SUFFIX_FAILURE);
        ASSERT_GE(h.log.size(), tail.size());
        EXPECT_EQ(h.log.substr(h.log.size() - tail.size()), tail) << (mode == &kSilentRun ? "silent" : "interactive");
        for (const auto& c : f.calls) EXPECT_NE(0u, c.rfind("ScheduleFolderRemoval", 0)) << "no second start for a refused folder";
    }
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
        {"quiet, update value, no suite", &kQuietRun, 3, 0, false},
        {"preview, user value, no suite", &kPreviewRun, 1, 0, false},
        {"quiet, update value, suite there", &kQuietRun, 3, 1, true},
    };
    for (const Case& c : cases) {
        FakeOperations f;
        f.lookup = c.lookup;
        f.holdsSuite = c.holds;
        FakeHost h;
        h.answers = {IDYES, IDYES, IDNO};
        RunUninstall(*c.mode, h, f);
        bool removed = false;
        for (const auto& call : f.calls) removed |= call.rfind("RemoveProductFolder", 0) == 0;
        EXPECT_EQ(removed, c.cleaned) << c.name;
        bool asked107 = false;
        for (const FakeBox& b : h.boxes) asked107 |= b.text == S(IDS_NO_INSTALL_PATH);
        EXPECT_EQ(asked107, !c.cleaned) << c.name;
    }
}

// Rules that could be copied nowhere are handed to the folder removal to keep,
// and the file line says the step failed.
TEST_F(RunSequence, UncopiedRulesAreKeptAndFailTheFileLine) {
    for (int copied : {1, 0}) {
        FakeOperations f;
        f.vista = 1;
        f.rulesCopied = copied;
        FakeHost h;
        h.answers = {IDYES, IDYES, IDNO};
        RunUninstall(kInteractiveRun, h, f);
        EXPECT_EQ(f.kept, copied ? std::vector<std::string>{} : std::vector<std::string>{"C:\\Apps\\ZRP2007\\Rules"});
        const std::string tail = S(IDS_STEP_FILES) + S(copied ? IDS_SUFFIX_SUCCESS : IDS_SUFFIX_FAILURE);
        ASSERT_GE(h.log.size(), tail.size());
        EXPECT_EQ(h.log.substr(h.log.size() - tail.size()), tail) << copied;
    }
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
