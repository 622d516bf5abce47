// What the unattended switches select, what each run mode asks and does
// differently, and the exit codes deployment systems read.
#include <gtest/gtest.h>

#include "../../res/resource.h"
#include "../../run/StartRequest.h"
#include "../../run/UnattendedRun.h"
#include "FakeRun.h"

namespace {

TEST(UnattendedSwitches, AreReadWordByWordWithoutRegardToCase) {
    struct Case {
        const char* args;
        bool taken, preview, quiet;
        const char* folder;
    } cases[] = {
        {"/preview", true, true, false, ""},
        {"  /PREVIEW  ", true, true, false, ""},
        {"/preview /quiet", true, true, true, ""},
        {"/Quiet\t/Preview", true, true, true, ""},
        {"/quiet", true, false, true, ""},
        {"/quiet C:\\Program Files\\ZRP2007\\  ", true, false, true, "C:\\Program Files\\ZRP2007\\"},
        {"/preview C:\\x", false, false, false, ""},
        {"/preview /quiet /quiet", false, false, false, ""},
        {"/previewx", false, false, false, ""},
        {"-preview", false, false, false, ""},
        {"x /quiet", false, false, false, ""},
        {"", false, false, false, ""},
    };
    for (const Case& c : cases) {
        UnattendedSwitches s;
        EXPECT_EQ(ParseUnattendedSwitches(c.args, s), c.taken) << c.args;
        EXPECT_EQ(s.preview, c.preview) << c.args;
        EXPECT_EQ(s.quiet, c.quiet) << c.args;
        EXPECT_EQ(s.folder, c.folder) << c.args;
    }
}

// "/log <file>" comes out first, wherever it stands; what is left goes to the
// switches' readers, while "-s" and " /silent" keep their tests on the text as given.
TEST(StartRequest, TakesTheLogFileOutBeforeTheSwitchesAreRead) {
    struct Case {
        const char* line;
        bool silent, automatic, quiet, preview;
        const char* folder;
        bool logNamed;
        const char* logFile;
        const char* arguments;
    } cases[] = {
        {"t.exe /quiet /log C:\\logs\\a.log", false, false, true, false, "", true, "C:\\logs\\a.log", "/quiet"},
        {"\"C:\\t\\t.exe\" /LOG \"C:\\my logs\\a b.log\" /preview /quiet", false, false, true, true, "", true,
         "C:\\my logs\\a b.log", "/preview /quiet"},
        {"t.exe /quiet C:\\Apps\\ZRP2007\\ /log x.log", false, false, true, false, "C:\\Apps\\ZRP2007\\", true, "x.log",
         "/quiet C:\\Apps\\ZRP2007\\"},
        {"t.exe /log x.log", false, false, false, false, "", true, "x.log", ""},
        {"t.exe /log \"C:\\a /silent\\x.log\"", false, true, false, false, "", true, "C:\\a /silent\\x.log", ""},
        {"t.exe /log x.log /silent", false, true, false, false, "", true, "x.log", "/silent"},
        {"t.exe -s /log x.log", false, false, false, false, "", true, "x.log", "-s"},
        {"t.exe -S", true, false, false, false, "", false, "", "-S"},
        {"t.exe /quiet /log", false, false, true, false, "", true, "", "/quiet"},
        {"t.exe /quiet /logs", false, false, true, false, "/logs", false, "", "/quiet /logs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const StartRequest r = ReadStartRequest(c.line);
        EXPECT_EQ(r.silentRun, c.silent);
        EXPECT_EQ(r.automaticStart, c.automatic);
        EXPECT_EQ(r.unattended, c.quiet || c.preview);
        EXPECT_EQ(r.switches.quiet, c.quiet);
        EXPECT_EQ(r.switches.preview, c.preview);
        EXPECT_EQ(r.switches.folder, c.folder);
        EXPECT_EQ(r.logNamed, c.logNamed);
        EXPECT_EQ(r.logFile, c.logFile);
        EXPECT_EQ(r.arguments, c.arguments);
    }
}

TEST(UnattendedExitCodes, FollowTheOutcomeAndWhatTheChangesCameTo) {
    auto outcome = [](RunOutcome::End end, bool failed, int removed, int pending) {
        RunOutcome o;
        o.end = end;
        o.stepFailed = failed;
        o.tally.removed = removed;
        o.tally.pending = pending;
        o.tally.written = 6;  // rewriting the script engines' registrations is no sign of the suite
        return o;
    };
    const RunOutcome::End done = RunOutcome::kCompleted;
    struct Case {
        const char* name;
        RunOutcome outcome;
        int quiet, preview;
    } cases[] = {
        {"removed, nothing pending", outcome(done, false, 40, 0), 0, 2},
        {"removed, a file in use", outcome(done, false, 40, 1), 3010, 2},
        {"nothing of the suite", outcome(done, false, 0, 0), 1605, 0},
        {"a step failed", outcome(done, true, 40, 1), 1603, 2},
        {"a step failed on a clean machine", outcome(done, true, 0, 0), 1603, 0},
        {"unsupported", outcome(RunOutcome::kUnsupported, false, 0, 0), 3, 3},
        {"not an administrator", outcome(RunOutcome::kNotAdministrator, false, 0, 0), 5, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnattendedExitCode(c.outcome, false), c.quiet) << c.name;
        EXPECT_EQ(UnattendedExitCode(c.outcome, true), c.preview) << c.name;
    }
}

// Each mode's own choices, through substituted operations: which questions it
// puts to the host (with a folder that only a per-user value names), whether it
// takes the folder from its command line, which keys it deletes and how it
// registers its second start, and where it keeps the rules on Vista.
TEST(RunModes, EachModeAsksTakesAndRegistersAsItShould) {
    struct Case {
        const RunMode* mode;
        std::vector<UINT> asked;  // with a per-user folder that holds no program of the suite
        bool takesStartFolder, productKeys;
        const char* restartSwitch;
        bool rulesForAllUsers;
    } cases[] = {
        {&kInteractiveRun, {IDS_CONFIRM_REMOVE_ALL, IDS_CONFIRM_DELETE_FILES, IDS_ASK_RESTART}, true, true, "", false},
        {&kSilentRun, {IDS_NO_INSTALL_PATH}, false, false, "", false},
        {&kPreviewRun, {IDS_CONFIRM_REMOVE_ALL, IDS_NO_INSTALL_PATH, IDS_DONE_NO_PATH}, false, true, "", false},
        {&kQuietRun, {IDS_CONFIRM_REMOVE_ALL, IDS_NO_INSTALL_PATH, IDS_DONE_NO_PATH}, true, true, "/quiet", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode->name);
        FakeOperations ops;
        ops.lookup = 3;  // only the per-user update key names a folder
        ops.holdsSuite = 0;
        FakeHost host;
        RunUninstall(*c.mode, host, ops);
        std::vector<UINT> asked;
        for (const FakeBox& b : host.boxes) asked.push_back(b.id);
        EXPECT_EQ(asked, c.asked);

        FakeOperations started;  // the registry knows no folder; the command line names one
        started.lookup = -1;
        started.startFolder = "C:\\Apps\\ZRP2007\\";
        FakeHost again;
        RunUninstall(*c.mode, again, started);
        EXPECT_EQ(started.Called("ReadStartFolder"), c.takesStartFolder);
        EXPECT_EQ(started.Called("ScheduleFolderRemoval"), c.takesStartFolder);
        if (c.takesStartFolder) {
            EXPECT_EQ(started.scheduledSwitch, c.restartSwitch);
        }

        FakeOperations keys;
        keys.vista = 1;
        FakeHost h;
        RunUninstall(*c.mode, h, keys);
        EXPECT_EQ(keys.Called("DeleteProductKeys"), c.productKeys);
        EXPECT_EQ(keys.Called("DeleteUpdateKey"), !c.productKeys);
        EXPECT_TRUE(keys.Called("PreserveUserRules"));
        EXPECT_EQ(keys.Called("PreserveUserRules C:\\Apps\\ZRP2007 for all users"), c.rulesForAllUsers);
    }
}

}  // namespace
