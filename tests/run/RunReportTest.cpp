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
    void Line(const char* text) override { lines.push_back(text); }
    void InstallFolder(const char* dir) override { folder = dir ? dir : "<none>"; }
    static std::vector<std::string> lines;
    static std::string folder;
};
std::vector<std::string> MemoryReport::lines;
std::string MemoryReport::folder;

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

TEST(RunReportSession, TheRunWritesHeaderSectionsAnswersAndTheEnd) {
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
    };
    for (const Case& c : cases) {
        MemoryReport::lines.clear();
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
        // What the log box got is in the report as it stands.
        if (!host.log.empty()) {
            EXPECT_NE(text.find("Log: "), std::string::npos) << c.name;
        }
    }
    EXPECT_EQ(report::Current(), nullptr) << "the run's report outlives the run";
}

}  // namespace
