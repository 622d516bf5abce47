// What a run with substituted operations writes into its report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../cleanup/files/KeptPaths.h"
#include "../../cleanup/report/RunReport.h"
#include "../../run/RunSequence.h"
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

class AnsweringHost : public RunHost {
public:
    int answer = IDYES;
    std::string log;
    int Message(const char*, const char*, UINT) override { return answer; }
    void AppendLog(const CString& text) override { log += text.GetString(); }
    void RefreshLog() override {}
    void SetProgress(int) override {}
    void DisableRunButton() override {}
    void PostQuit(int) override {}
};

RunOperations QuietOps() {
    RunOperations ops = {
        []() WINAPI -> DWORD { return 0x0A280105; }, [] { return 1; }, [] { return 1; }, [] { return 0; },
        [](CString& d) { d += "Microsoft Windows XP "; return 1; }, [] { return 1; },
        [](char* b, HKEY) { lstrcpyA(b, "C:\\Apps\\ZRP2007"); return 1; }, [](char*) { return 0; },
        [](char*) { return 0; }, [] { return S_OK; }, [](HKEY) { return 1; }, [](HKEY) { return 1; },
        [] { return 1; }, [] { return 1; }, [] { return 1; }, [] { return 1; }, [](const char*) { return 1; },
        [](HKEY, const char*) -> LONG { return 0; }, [](const char*, KeptPaths*) { return 1; },
        [](char* d, size_t, const KeptPaths*) { report::Kept("file", d, "a test item"); return 1; },
        [](const char*) { return 1; },
        [] { return 1; }, [](UINT, DWORD) WINAPI -> BOOL { return TRUE; }, nullptr,
        [] { return std::unique_ptr<RunReport>(new MemoryReport); }, [](const char*) { return 1; },
    };
    return ops;
}

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
        AnsweringHost host;
        host.answer = c.answer;
        RunUninstall(*c.mode, host, QuietOps());
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
