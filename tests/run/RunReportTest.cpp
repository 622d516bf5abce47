// What a run with substituted operations writes into its report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeRun.h"
#include "TestSupport.h"

namespace {

// A run through substituted operations, with the report kept in memory.
class MemoryReport : public RunReport {
public:
    void Line(const char* text) override {
        lines.push_back(text);
        events.push_back(text);
    }
    void InstallFolder(const char* dir) override { folder = dir ? dir : "<none>"; }
    void Flush() override { events.push_back(kFlushed); }
    static std::vector<std::string> lines;
    static std::vector<std::string> events;  // the lines with each flush among them
    static std::string folder;
    static const char kFlushed[];
};
std::vector<std::string> MemoryReport::lines;
std::vector<std::string> MemoryReport::events;
std::string MemoryReport::folder;
const char MemoryReport::kFlushed[] = "<flushed>";

// The folder removal says something the report must carry.
class ReportingOperations : public FakeOperations {
public:
    ReportingOperations() { openReport = [] { return std::unique_ptr<RunReport>(new MemoryReport); }; }
    int RemoveProductFolder(char* dir, size_t capacity, const KeptPaths* keep) override {
        report::Kept("file", dir, "a test item");
        return FakeOperations::RemoveProductFolder(dir, capacity, keep);
    }
};

std::string Joined() {
    std::string s;
    for (const std::string& l : MemoryReport::lines) s += l + "\n";
    return s;
}

// "" when everything reported before each step's section and before each
// question's answer was flushed (a restart or a crash then loses nothing).
std::string Unflushed() {
    const std::vector<std::string>& ev = MemoryReport::events;
    bool asked = false;  // a question written, not yet flushed
    for (size_t i = 0; i < ev.size(); ++i) {
        if (ev[i] == MemoryReport::kFlushed) asked = false;
        // Section() writes an empty line just after its flush.
        if (ev[i].compare(0, 3, "== ") == 0 && !(i >= 2 && ev[i - 1].empty() && ev[i - 2] == MemoryReport::kFlushed))
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
    };
    for (const Case& c : cases) {
        MemoryReport::lines.clear();
        MemoryReport::events.clear();
        MemoryReport::folder.clear();
        FakeHost host;
        host.answers = {c.answer, c.answer, c.answer};
        ReportingOperations ops;
        RunUninstall(*c.mode, host, ops);
        const std::string text = Joined();
        size_t at = 0;
        for (const std::string& w : c.want) {
            size_t found = text.find("\n" + w, at);
            if (at == 0 && text.compare(0, w.size(), w) == 0) found = 0;
            EXPECT_NE(found, std::string::npos) << c.name << ": no \"" << w << "\" after offset " << at << " in\n" << text;
            if (found != std::string::npos) at = found + 1;
        }
        EXPECT_EQ(MemoryReport::folder, c.folder) << c.name;
        EXPECT_EQ(Unflushed(), "") << c.name;
        // What the log box got is in the report as it stands.
        if (!host.log.empty()) {
            EXPECT_NE(text.find("Log: "), std::string::npos) << c.name;
        }
    }
    EXPECT_EQ(report::Current(), nullptr) << "the run's report outlives the run";
}

}  // namespace
