// Whole runs of the real tool that remove: each scenario's questions, log and
// exit code, the machine afterwards item by item, and the report's lines.
#include "EndToEnd.h"

#include "../../res/resource.h"
#include "ReportCheck.h"

using footprint::Ending;
using footprint::Installed;
using footprint::RunKind;
using footprint::Scenario;
using footprint::Windows;

namespace {

struct RemovalCase {
    const char* name;
    const char* installDir;  // "" none recorded
    Scenario scenario;
    const char* args;        // the tool's command line; Run is pressed unless it is silent
    std::vector<int> questions;
};

Scenario Make(RunKind run, Windows windows, Ending ending, Installed installed) {
    Scenario s;
    s.run = run, s.windows = windows, s.ending = ending, s.installed = installed;
    return s;
}

const Installed kRunning = {true, true, false};         // services and programs running
const Installed kNoServices = {false, true, false};
const Installed kFileInUse = {false, true, true};
const std::vector<int> kYesNo = {IDYES, IDNO};
const char* const kVersions[] = {nullptr, "vista", "win98"};  // for Windows::Nt, Vista, Windows95Family

const RemovalCase kCases[] = {
    {"a folder cleaned by name", footprint::kNamedDir, Make(RunKind::Interactive, Windows::Nt, Ending::Complete, kRunning),
     "", {IDS_CONFIRM_REMOVE_ALL, IDS_CONFIRM_DELETE_FILES, IDS_ASK_RESTART}},
    {"ZRP2007 emptied whole", footprint::kFullClearingDir,
     Make(RunKind::Interactive, Windows::Nt, Ending::Complete, kRunning), "",
     {IDS_CONFIRM_REMOVE_ALL, IDS_CONFIRM_DELETE_FILES, IDS_ASK_RESTART}},
    {"the silent run", footprint::kFullClearingDir, Make(RunKind::Silent, Windows::Nt, Ending::Complete, kNoServices),
     "-s", {IDS_ASK_RESTART}},
    {"Vista", footprint::kNamedDir, Make(RunKind::Interactive, Windows::Vista, Ending::Complete, kRunning), "",
     {IDS_CONFIRM_REMOVE_ALL, IDS_CONFIRM_DELETE_FILES, IDS_ASK_RESTART}},
    {"the silent run on Vista, its switch in capitals", footprint::kNamedDir,
     Make(RunKind::Silent, Windows::Vista, Ending::Complete, kNoServices), "-S", {IDS_ASK_RESTART}},
    {"a file in use", footprint::kFullClearingDir, Make(RunKind::Interactive, Windows::Nt, Ending::Complete, kFileInUse),
     "", {IDS_CONFIRM_REMOVE_ALL, IDS_CONFIRM_DELETE_FILES, IDS_ASK_RESTART}},
    {"no folder recorded, and Yes to going on", "", Make(RunKind::Interactive, Windows::Nt, Ending::Complete, kNoServices),
     "", {IDS_CONFIRM_REMOVE_ALL, IDS_NO_INSTALL_PATH, IDS_DONE_NO_PATH}},
    {"No to deleting the files", footprint::kFullClearingDir,
     Make(RunKind::Interactive, Windows::Nt, Ending::NoToFileQuestion, kNoServices), "",
     {IDS_CONFIRM_REMOVE_ALL, IDS_CONFIRM_DELETE_FILES, IDS_ASK_RESTART}},
    {"Windows 98", footprint::kFullClearingDir,
     Make(RunKind::Interactive, Windows::Windows95Family, Ending::Complete, kNoServices), "",
     {IDS_CONFIRM_REMOVE_ALL, IDS_CONFIRM_DELETE_FILES, IDS_ASK_RESTART}},
};

class Removal : public EndToEnd {
protected:
    // Each box as the scenario's run shows it: its caption, buttons and icon, and
    // the log and progress bar behind it.
    void ExpectBoxes(const RemovalCase& c, const tooldriver::DriveResult& r) const {
        const bool window = c.scenario.run == RunKind::Interactive;
        ASSERT_EQ(r.boxes.size(), c.questions.size());
        for (size_t i = 0; i < c.questions.size(); ++i) {
            const int id = c.questions[i];
            const tooldriver::Box& b = r.boxes[i];
            const std::string caption = id == IDS_ASK_RESTART || !window ? ""
                                        : id == IDS_DONE_NO_PATH          ? "TolmUnload"  // the default title
                                                                          : M(IDS_CAPTION_ALERT);
            ExpectBox(b, id, caption, id == IDS_DONE_NO_PATH ? std::vector<int>{IDOK} : kYesNo,
                      id == IDS_CONFIRM_REMOVE_ALL);
            const int progress = id == IDS_CONFIRM_DELETE_FILES                   ? 70
                                 : id == IDS_ASK_RESTART || id == IDS_DONE_NO_PATH ? 100
                                                                                  : 0;
            EXPECT_EQ(b.progress, window ? progress : -1) << "progress at message " << id;
            // The questions before the first step come before the first log line.
            const bool first = id == IDS_CONFIRM_REMOVE_ALL || id == IDS_NO_INSTALL_PATH;
            if (first || id == IDS_CONFIRM_DELETE_FILES) {
                EXPECT_EQ(b.log, first ? "" : Steps()) << "log at message " << id;
            }
            EXPECT_EQ(b.ownedByMain && b.ownerVisible, window) << "owner of message " << id;
            EXPECT_EQ(b.noOwner, !window) << "owner of message " << id;
        }
    }
    // The first four step lines, each a success.
    std::string Steps() const {
        return Log({IDS_LOG_START, IDS_STEP_SCRIPT_ENGINES, IDS_SUFFIX_SUCCESS, IDS_STEP_REGISTRY, IDS_SUFFIX_SUCCESS,
                    IDS_STEP_SERVICES, IDS_SUFFIX_SUCCESS, IDS_STEP_INSTALLER, IDS_SUFFIX_SUCCESS});
    }
    // The file step's line: its suffix says whether the files went.
    std::string FileLine(const RemovalCase& c) const {
        if (!*c.installDir) return Log({IDS_STEP_FILES, IDS_SUFFIX_FAILURE});
        // The Japanese table has no 124: the line is 116 alone, without a line break.
        if (c.scenario.ending == Ending::NoToFileQuestion) return Log({IDS_STEP_FILES, IDS_SUFFIX_NOT_DONE});
        return Log({IDS_STEP_FILES, IDS_SUFFIX_SUCCESS});
    }
    // The report's header, sections, answers and end, besides its item lines.
    void ExpectReportFrame(const RemovalCase& c, const std::string& report) const {
        const bool window = c.scenario.run == RunKind::Interactive;
        std::string line = FileLine(c);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        std::vector<std::string> want = {window ? "Run mode: interactive" : "Run mode: silent (-s)", "Windows: ",
                                         "== " + M(IDS_STEP_SCRIPT_ENGINES), "Log: " + line,
                                         *c.installDir ? "End: restart declined" : "End: ended with the message above"};
        if (window) want.push_back("Answer: Yes");
        for (const std::string& w : want) EXPECT_NE(report.find(w), std::string::npos) << w;
    }
};

TEST_F(Removal, EachScenarioRemovesWhatTheFootprintSaysAndReportsIt) {
    for (const RemovalCase& c : kCases) {
        SCOPED_TRACE(c.name);
        if (c.scenario.windows == Windows::Windows95Family && tolmtest::PrefixKind() != "win32") continue;  // 98 runs in the 32-bit prefix
        SetVersion(kVersions[static_cast<int>(c.scenario.windows)]);
        Seed(c.installDir, c.scenario.installed);
        if (HasFatalFailure()) return;
        const bool window = c.scenario.run == RunKind::Interactive;
        const int files = c.scenario.ending == Ending::NoToFileQuestion ? IDNO : IDYES;
        const tooldriver::DriveResult r = tooldriver::Drive(
            fp->Tool(), c.args, window,
            Answers({{IDS_CONFIRM_REMOVE_ALL, IDYES}, {IDS_NO_INSTALL_PATH, IDYES}, {IDS_CONFIRM_DELETE_FILES, files},
                     {IDS_ASK_RESTART, IDNO}}));
        if (!r.trouble.empty()) {
            ADD_FAILURE() << r.trouble;
            continue;
        }
        ExpectBoxes(c, r);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, window ? 0u : 1u);
        if (window) {
            EXPECT_EQ(r.finalLog, Steps() + FileLine(c));
            EXPECT_EQ(r.finalProgress, 100);
            EXPECT_FALSE(r.runEnabledAtEnd);
        }
        const footprint::Outcomes outcomes = footprint::Expect(*fp, c.scenario);
        EXPECT_EQ(MachineDiffers(outcomes), "");
        const std::string report = Report();
        EXPECT_EQ(footprint::ReportMisses(report, *fp, outcomes), "") << report;
        ExpectReportFrame(c, report);
    }
}

}  // namespace
