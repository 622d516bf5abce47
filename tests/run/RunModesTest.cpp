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
        {"/preview C:\\windows", true, true, false, "C:\\windows"},
        {"/preview C:\\no such folder", false, false, false, ""},
        {"/preview /quiet C:\\Program Files\\ZRP2007\\", true, true, true, "C:\\Program Files\\ZRP2007\\"},
        {"/preview /quiet /quiet", true, true, true, "/quiet"},  // never a window without a person: no folder
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

// "/log <file>" comes out first, wherever it stands; the rest goes to the
// switches' readers, while "-s" and " /silent" keep their tests on the text as given.
TEST(StartRequest, TakesTheLogFileOutBeforeTheSwitchesAreRead) {
    const struct {
        const char* line;
        const char* want;  // the run, the folder it may take, the report's file
    } cases[] = {
        {"t.exe /quiet C:\\Apps\\ZRP2007\\ /LOG x.log", "quiet [C:\\Apps\\ZRP2007\\] [x.log]"},
        {"\"C:\\t\\t.exe\" /log \"C:\\my logs\\a b.log\" /preview /quiet", "preview quiet [] [C:\\my logs\\a b.log]"},
        {"t.exe /log \"C:\\a /silent\\x.log\"", "automatic [] [C:\\a /silent\\x.log]"},
        {"t.exe -s /log x.log", "window [-s] [x.log]"},
        {"t.exe -S", "silent [-S] none"},
        {"t.exe /quiet /log", "quiet [] []"},
        {"t.exe /quiet /logs", "quiet [/logs] none"},
    };
    for (const auto& c : cases) {
        const StartRequest r = ReadStartRequest(c.line);
        std::string run = r.silentRun ? "silent" : r.automaticStart ? "automatic" : r.unattended ? "" : "window";
        if (r.unattended) run = r.switches.preview ? (r.switches.quiet ? "preview quiet" : "preview") : "quiet";
        const std::string folder = r.unattended ? r.switches.folder : r.arguments;
        EXPECT_EQ(run + " [" + folder + "] " + (r.logNamed ? "[" + r.logFile + "]" : "none"), c.want) << c.line;
    }
}

TEST(UnattendedExitCodes, FollowTheOutcomeAndWhatTheChangesCameTo) {
    const RunOutcome::End done = RunOutcome::kCompleted;
    // Every tally has 6 written: rewriting the script engines' registrations is no sign of the suite.
    struct Case {
        const char* name;
        RunOutcome::End end;
        bool stepFailed;
        change::Tally tally;  // removed, written, pending, refused, left, failed
        int quiet, preview;
    } cases[] = {
        {"removed, nothing pending", done, false, {40, 6}, 0, 2},
        {"removed, a file in use", done, false, {40, 6, 1}, 3010, 2},
        {"nothing of the suite", done, false, {0, 6}, 1605, 0},
        {"a step failed", done, true, {40, 6, 1}, 1603, 2},
        {"a step failed on a clean machine", done, true, {0, 6}, 1603, 0},
        {"unsupported", RunOutcome::kUnsupported, false, {0, 6}, 3, 3},
        {"not an administrator", RunOutcome::kNotAdministrator, false, {0, 6}, 5, 5},
        {"nothing removed, something left until the restart", done, false, {0, 6, 1}, 3010, 2},
        {"a suite item left on the machine", done, false, {40, 6, 0, 1, 1}, 1603, 2},
        {"only a left item: the suite is there", done, false, {0, 6, 0, 1, 1}, 1603, 2},
        {"a refusal made good later", done, false, {40, 6, 0, 2, 0}, 0, 2},
        {"declined by the person", RunOutcome::kDeclined, false, {0, 6}, 1602, 1602},
        {"a value the system refused to write", done, false, {40, 6, 0, 1, 0, 1}, 1603, 2},
    };
    for (const Case& c : cases) {
        RunOutcome o;
        o.end = c.end;
        o.stepFailed = c.stepFailed;
        o.tally = c.tally;
        EXPECT_EQ(UnattendedExitCode(o, false), c.quiet) << c.name;
        EXPECT_EQ(UnattendedExitCode(o, true), c.preview) << c.name;
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
        {&kQuietRun, {IDS_CONFIRM_REMOVE_ALL, IDS_NO_INSTALL_PATH, IDS_DONE_NO_PATH}, true, true, "/quiet", true},
        // Each preview decides as the run it previews.
        {&kInteractivePreviewRun, {IDS_CONFIRM_REMOVE_ALL, IDS_CONFIRM_DELETE_FILES, IDS_ASK_RESTART}, true, true, "",
         false},
        {&kQuietPreviewRun, {IDS_CONFIRM_REMOVE_ALL, IDS_NO_INSTALL_PATH, IDS_DONE_NO_PATH}, true, true, "/quiet", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode->name);
        const Ran perUser(*c.mode, [](FakeOperations& f) { f.lookup = 3, f.holdsSuite = 0; }, {});
        std::vector<UINT> asked;
        for (const FakeBox& b : perUser.host.boxes) asked.push_back(b.id);
        EXPECT_EQ(asked, c.asked);

        // The registry knows no folder; the command line names one.
        const Ran started(*c.mode, [](FakeOperations& f) { f.lookup = -1, f.startFolder = "C:\\Apps\\ZRP2007\\"; }, {});
        EXPECT_EQ(started.ops.Called("ReadStartFolder"), c.takesStartFolder);
        EXPECT_EQ(started.ops.Called("ScheduleFolderRemoval"), c.takesStartFolder);
        if (c.takesStartFolder) {
            EXPECT_EQ(started.ops.scheduledSwitch, c.restartSwitch);
        }

        const Ran keys(*c.mode, [](FakeOperations& f) { f.vista = 1; }, {});
        EXPECT_EQ(keys.ops.Called("DeleteProductKeys"), c.productKeys);
        EXPECT_EQ(keys.ops.Called("DeleteUpdateKey"), !c.productKeys);
        EXPECT_TRUE(keys.ops.Called("PreserveUserRules"));
        EXPECT_EQ(keys.ops.Called("PreserveUserRules C:\\Apps\\ZRP2007 for all users"), c.rulesForAllUsers);
    }
}

}  // namespace
