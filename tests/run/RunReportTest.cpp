// The report file: where it goes, how it keeps its size, and what a run with
// substituted operations writes into it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../run/ReportFile.h"
#include "../../run/RunSequence.h"
#include "TestSupport.h"

namespace {

std::string ReadText(const std::string& path) { return tolmtest::ReadWholeFile(path).value_or("<missing>"); }

std::string OldRun(const std::string& tag, size_t bodyBytes) {
    return std::string(kRunHeaderMark) + tag + " ====\r\n" + std::string(bodyBytes, 'x') + "\r\n";
}

TEST(RunReportFile, PlacesTheFileWhereItCanBeWrittenAndNeverInsideTheInstallFolder) {
    tolmtest::ScratchDir scratch("report-place");
    const std::string tool = scratch / "tool", temp = scratch / "temp";
    ::CreateDirectoryA(tool.c_str(), nullptr);
    ::CreateDirectoryA(temp.c_str(), nullptr);
    struct Case {
        const char* name;
        std::string install;      // the folder the run clears
        bool blockTool;           // the tool folder cannot take the file
        std::string want;         // where the report lands, "" nowhere
    };
    const Case cases[] = {
        {"tool folder", scratch / "Velkaris", false, tool + "\\TolmUnload.log"},
        {"unwritable tool folder", scratch / "Velkaris", true, temp + "\\TolmUnload.log"},
        {"tool inside the install folder", scratch.Path(), false, ""},
        {"tool inside, given with a backslash", tool + "\\", false, temp + "\\TolmUnload.log"},
    };
    for (const Case& c : cases) {
        ::DeleteFileA((tool + "\\TolmUnload.log").c_str());
        ::RemoveDirectoryA((tool + "\\TolmUnload.log").c_str());
        ::DeleteFileA((temp + "\\TolmUnload.log").c_str());
        // A folder where the file would be: as a read-only medium, nothing can be written there.
        if (c.blockTool) ::CreateDirectoryA((tool + "\\TolmUnload.log").c_str(), nullptr);
        {
            FileRunReport report({tool, temp});
            report.Line("before the folder is known");
            report.InstallFolder(c.install.c_str());
            report.Line("after");
            EXPECT_EQ(report.Path(), c.want) << c.name;
        }
        if (!c.want.empty()) {
            EXPECT_EQ(ReadText(c.want), "before the folder is known\r\nafter\r\n") << c.name;
        }
        if (c.want != tool + "\\TolmUnload.log" && !c.blockTool) {
            EXPECT_FALSE(tolmtest::FileExists(tool + "\\TolmUnload.log")) << c.name;
        }
    }
    ::RemoveDirectoryA((tool + "\\TolmUnload.log").c_str());
}

TEST(RunReportFile, AReportAtTheLimitDropsItsOldestRuns) {
    tolmtest::ScratchDir scratch("report-limit");
    const std::string path = scratch / "TolmUnload.log";
    // Three old runs that together fill the file up to the limit.
    const std::string first = OldRun("first", 500 * 1024), second = OldRun("second", 300 * 1024);
    const std::string third = OldRun("third", kReportLimit - first.size() - second.size() - 40);
    ASSERT_TRUE(tolmtest::WriteFile(path, first + second + third));
    {
        FileRunReport report({scratch.Path()});
        report.Line((std::string(kRunHeaderMark) + "new ====").c_str());
        report.InstallFolder(nullptr);
        report.Line("item");
    }
    const std::string text = ReadText(path);
    EXPECT_EQ(text, second + third + kRunHeaderMark + "new ====\r\nitem\r\n");
    EXPECT_LT(text.size(), kReportLimit);

    // A file that holds no run header, or one run too big to keep, goes whole.
    EXPECT_EQ(DropOldestRuns(std::string(2000, 'y'), 100), "");
    EXPECT_EQ(DropOldestRuns(OldRun("a", 10) + OldRun("b", 10), 1000), OldRun("a", 10) + OldRun("b", 10));
    EXPECT_EQ(DropOldestRuns(OldRun("a", 10) + OldRun("b", 10), 40), OldRun("b", 10));
}

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
        [](HKEY, const char*) -> LONG { return 0; }, [](const char*) { return 1; },
        [](char* d, size_t) { report::Kept("file", d, "a test item"); return 1; }, [](const char*) { return 1; },
        [] { return 1; }, [](UINT, DWORD) WINAPI -> BOOL { return TRUE; }, nullptr,
        [] { return std::unique_ptr<RunReport>(new MemoryReport); },
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
