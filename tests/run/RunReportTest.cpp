// What a run with substituted operations writes into its report.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "CapturedReport.h"
#include "FakeRun.h"
#include "TestSupport.h"

namespace {

// What the run's report got: a run opens its report itself.
tolmtest::ReportRecord g_report;

// The folder removal says something the report must carry, and makes the
// changes a case gives it, as the change layer counts them.
class ReportingOperations : public FakeOperations {
public:
    std::function<void()> changes = [] {};
    ReportingOperations() { openReport = [] { return std::unique_ptr<RunReport>(new tolmtest::CapturedReport(&g_report)); }; }
    int RemoveProductFolder(char* dir, size_t capacity, const KeptPaths* keep) override {
        report::Kept("file", dir, "a test item");
        changes();
        return FakeOperations::RemoveProductFolder(dir, capacity, keep);
    }
};

// "" when everything reported before each step's section and before each
// question's answer was flushed (a restart or a crash then loses nothing).
std::string Unflushed() {
    const std::vector<std::string>& ev = g_report.events;
    bool asked = false;  // a question written, not yet flushed
    for (size_t i = 0; i < ev.size(); ++i) {
        if (ev[i] == tolmtest::ReportRecord::kFlushed) asked = false;
        // Section() writes an empty line just after its flush.
        if (ev[i].compare(0, 3, "== ") == 0 && !(i >= 2 && ev[i - 1].empty() && ev[i - 2] == tolmtest::ReportRecord::kFlushed))
            return "\"" + ev[i] + "\" begins before the step before it is on disk";
        if (ev[i].compare(0, 8, "Answer: ") == 0 && asked) return "an answer came before its question was on disk";
        if (ev[i].compare(0, 10, "Question: ") == 0 || ev[i].compare(0, 9, "Message: ") == 0) asked = true;
    }
    return "";
}

TEST(RunReportSession, TheRunWritesHeaderSectionsAnswersAndTheEndFlushedAsItGoes) {
    struct Case {
        const char* name;
        const RunMode* mode;
        int answer;
        std::vector<std::string> want;  // in this order
        const char* folder;
        const char* refused = nullptr;  // the folder's judgement
    };
    const Case cases[] = {
        {"interactive, start declined", &kInteractiveRun, IDNO,
         {"==== TolmUnload run ", "Run mode: interactive", "Administrator: yes", "Answer: No",
          "End: ended after the answer No above"},
         ""},
        {"interactive, all Yes", &kInteractiveRun, IDYES,
         {"Tool: TolmUnload 5.0", "Windows: Microsoft Windows XP (supported)", "Install folder: C:\\Apps\\ZRP2007",
          "== ", "Log: ", "  file C:\\Apps\\ZRP2007: kept, a test item", "Question: ", "Answer: Yes",
          "End: restart requested"},
         "C:\\Apps\\ZRP2007"},
        {"silent", &kSilentRun, IDNO,
         {"Run mode: silent (-s)", "Install folder: C:\\Apps\\ZRP2007", "End: restart declined"}, "C:\\Apps\\ZRP2007"},
        {"quiet", &kQuietRun, IDYES, {"Run mode: quiet (/quiet)", "== ", "Summary: "}, "C:\\Apps\\ZRP2007"},
        {"refused folder: said so, and the report may lie in it", &kInteractiveRun, IDYES,
         {"Install folder: C:\\Apps\\ZRP2007 (refused: a link; the removal leaves it)", "== "}, "<none>", "a link"},
    };
    for (const Case& c : cases) {
        g_report = tolmtest::ReportRecord();
        FakeHost host;
        host.answers = {c.answer, c.answer, c.answer};
        ReportingOperations ops;
        ops.refused = c.refused;
        RunUninstall(*c.mode, host, ops);
        EXPECT_LE(std::count(ops.calls.begin(), ops.calls.end(), "CanManageServices"), 1) << c.name << ": asked again";
        const std::string text = g_report.Text();
        size_t at = 0;
        for (const std::string& w : c.want) {
            size_t found = text.find("\n" + w, at);
            if (at == 0 && text.compare(0, w.size(), w) == 0) found = 0;
            EXPECT_NE(found, std::string::npos) << c.name << ": no \"" << w << "\" after offset " << at << " in\n" << text;
            if (found != std::string::npos) at = found + 1;
        }
        EXPECT_EQ(g_report.folder, c.folder) << c.name;
        EXPECT_EQ(Unflushed(), "") << c.name;
        // What the log box got is in the report as it stands.
        if (!host.log.empty()) {
            EXPECT_NE(text.find("Log: "), std::string::npos) << c.name;
        }
    }
    EXPECT_EQ(report::Current(), nullptr) << "the run's report outlives the run";
}

// What is still on the machine decides the exit code, and the report's last
// line carries that code and the counts, in the run and in its preview alike.
TEST(RunReportSession, TheLastLineCarriesTheExitCodeOfWhatRemains) {
    using change::Tally;
    const std::string key = change::KeyItem(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velkaris\\antivirus");
    struct Case {
        const char* name;
        std::function<void()> changes;
        int quiet, preview;
        const char* counts;  // removed, left, pending, failed
    } cases[] = {
        {"removed", [] { change::Count(&Tally::removed); }, 0, 2, "removed 1, left 0, pending 0, failed 0"},
        {"a key refused with its subkeys, then its tree deleted",
         [&] {
             change::Refuse(change::KeyItem(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velkaris\\antivirus\\Update"));
             change::Count(&Tally::removed);
             change::Removed(key);
         },
         0, 2, "removed 1, left 0, pending 0, failed 0"},
        {"a running program refused", [] { change::Count(&Tally::removed); change::Refuse(change::PathItem("C:\\x\\a.exe")); },
         1603, 2, "removed 1, left 1, pending 0, failed 0"},
        {"nothing removed, a file until the restart", [] { change::Count(&Tally::pending); }, 3010, 2,
         "removed 0, left 0, pending 1, failed 0"},
        {"a value not written", [] { change::Count(&Tally::removed); change::Count(&Tally::failed); }, 1603, 2,
         "removed 1, left 0, pending 0, failed 1"},
        {"nothing of the suite", [] {}, 1605, 0, "removed 0, left 0, pending 0, failed 0"},
    };
    for (const Case& c : cases) {
        for (const RunMode* mode : {&kQuietRun, &kQuietPreviewRun}) {
            SCOPED_TRACE(std::string(c.name) + ", " + mode->name);
            g_report = tolmtest::ReportRecord();
            ReportingOperations ops;
            ops.changes = c.changes;
            FakeHost host;
            const int code = UnattendedExitCode(RunUninstall(*mode, host, ops), mode->preview);
            EXPECT_EQ(code, mode->preview ? c.preview : c.quiet);
            ASSERT_FALSE(g_report.lines.empty());
            EXPECT_EQ(g_report.lines.back(), "Result: exit code " + std::to_string(code) + ", " + c.counts);
        }
    }
}

}  // namespace
