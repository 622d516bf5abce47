// The report file: whose file it writes into, where it goes, and how it keeps
// its size. Each case would destroy or misplace data if the report wrote into
// whatever file has its name.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "../../run/ReportFile.h"
#include "FileTestSupport.h"

using filetest::ReadAll;
using tolmtest::ScratchDir;
using tolmtest::Upper;

namespace {

std::string OldRun(const std::string& tag, size_t bodyBytes) {
    return std::string(kRunHeaderMark) + tag + " ====\r\n" + std::string(bodyBytes, 'x') + "\r\n";
}

// A file of size bytes that begins with text: sparse, so that gigabytes cost nothing.
bool MakeSparse(const std::string& path, const std::string& text, ULONGLONG size) {
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    LONG high = static_cast<LONG>(size >> 32);
    bool ok = ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              ::SetFilePointer(f, static_cast<LONG>(size & 0xFFFFFFFF), &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
              ::SetEndOfFile(f);
    ::CloseHandle(f);
    return ok;
}

TEST(RunReportFile, WritesOnlyIntoAFileOfItsOwnOutsideTheFolderItClears) {
    ScratchDir s("report-own");
    // The tool's folder shares the beginning of its name with the install folder beside it.
    const std::string tool = s / "ZRP2007 old", temp = s / "temp", victim = s / "victim.dat", other = s / "other";
    const std::string toolLog = tool + "\\TolmUnload.log", tempLog = temp + "\\TolmUnload.log";
    const std::string oldRuns = OldRun("first", 500 * 1024) + OldRun("second", 300 * 1024);
    const std::string lastRun = OldRun("third", kReportLimit - oldRuns.size() - 40);
    enum Where { kTool, kTemp, kNowhere };
    struct Case {
        const char* name;
        std::string install;  // the folder the run clears
        enum { kNone, kFolder, kLinkSmall, kLinkOverLimit, kForeign, kOwnFull, kOwnHuge, kToolIsLink } setup;
        Where want;
        std::string wantText;  // what the report's file holds afterwards ("" the new run alone)
    };
    const Case cases[] = {
        {"plain tool folder", s / "Velkaris", Case::kNone, kTool, ""},
        {"sibling whose name shares a prefix", s / "ZRP2007", Case::kNone, kTool, ""},
        {"a folder in the way", s / "Velkaris", Case::kFolder, kTemp, ""},
        {"tool folder inside the install folder", s.Path(), Case::kNone, kNowhere, ""},
        {"inside, spelt in capitals with a backslash", Upper(tool) + "\\", Case::kNone, kTemp, ""},
        {"hard link to another file", s / "Velkaris", Case::kLinkSmall, kTemp, ""},
        {"hard link to a big file without a header", s / "Velkaris", Case::kLinkOverLimit, kTemp, ""},
        {"another program's file of that name", s / "Velkaris", Case::kForeign, kTemp, ""},
        {"own report at the limit", s / "Velkaris", Case::kOwnFull, kTool, OldRun("second", 300 * 1024) + lastRun},
        {"own report of gigabytes", s / "Velkaris", Case::kOwnHuge, kTool, ""},
        {"tool folder is a link", s / "Velkaris", Case::kToolIsLink, kTemp, ""},
    };
    const std::string newRun = std::string(kRunHeaderMark) + "new ====\r\nbefore the folder is known\r\nafter\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        filetest::RemoveTree(tool);
        filetest::RemoveTree(temp);
        filetest::RemoveTree(other);
        ASSERT_TRUE(filetest::MakeFolders(temp));
        ASSERT_TRUE(filetest::MakeFolders(other));
        std::unique_ptr<filetest::FolderLink> link;
        if (c.setup == Case::kToolIsLink) {
            link.reset(new filetest::FolderLink(tool, other));
            ASSERT_TRUE(link->Ok());
        } else {
            ASSERT_TRUE(filetest::MakeFolders(tool));
        }
        std::string before;  // the other file's content, which must not change
        if (c.setup == Case::kFolder) {
            ASSERT_TRUE(::CreateDirectoryA(toolLog.c_str(), nullptr));
        }
        if (c.setup == Case::kLinkSmall || c.setup == Case::kLinkOverLimit) {
            before = c.setup == Case::kLinkSmall ? OldRun("not a report of ours", 100) : std::string(kReportLimit + 4096, 'v');
            ASSERT_TRUE(tolmtest::WriteFile(victim, before));
            ASSERT_TRUE(::CreateHardLinkA(toolLog.c_str(), victim.c_str(), nullptr));
        }
        bool made = true;
        if (c.setup == Case::kForeign) made = tolmtest::WriteFile(toolLog, before = "settings=1\r\n");
        if (c.setup == Case::kOwnFull) made = tolmtest::WriteFile(toolLog, oldRuns + lastRun);
        if (c.setup == Case::kOwnHuge) made = MakeSparse(toolLog, OldRun("huge", 10), 2500ull * 1024 * 1024);
        ASSERT_TRUE(made);
        {
            FileRunReport report({tool, temp});
            report.Line((std::string(kRunHeaderMark) + "new ====").c_str());
            report.Line("before the folder is known");
            report.InstallFolder(c.install.c_str());
            report.Line("after");
            EXPECT_EQ(report.Path(), c.want == kTool ? toolLog : c.want == kTemp ? tempLog : "");
        }
        const std::string place = c.want == kTool ? toolLog : tempLog;
        if (c.want != kNowhere) {
            EXPECT_EQ(ReadAll(place), c.wantText + newRun);
        } else {
            EXPECT_FALSE(filetest::Exists(tempLog));
        }
        if (!before.empty()) {
            EXPECT_TRUE(ReadAll(c.setup == Case::kForeign ? toolLog : victim) == before) << "the other file changed";
        }
        if (c.setup == Case::kToolIsLink) {
            EXPECT_EQ(filetest::ListTree(other), std::vector<std::string>{});
        }
        if (c.setup == Case::kFolder) ::RemoveDirectoryA(toolLog.c_str());
        ::DeleteFileA(toolLog.c_str());
        ::DeleteFileA(victim.c_str());
    }
}

// Lines reach the file as they are reported, through the one handle the run
// holds; a run that reaches the limit leaves the rest out and stays below it.
TEST(RunReportFile, LinesGoOutAsReportedAndStopAtTheLimit) {
    ScratchDir s("report-limit");
    const std::string log = s / "TolmUnload.log";
    const DWORD limit = 66 * 1024;  // the room a run needs, and a little more
    FileRunReport report({s.Path()}, limit);
    report.Line((std::string(kRunHeaderMark) + "new ====").c_str());
    report.InstallFolder(nullptr);
    report.Line("first item");
    EXPECT_EQ(ReadAll(log), std::string(kRunHeaderMark) + "new ====\r\nfirst item\r\n") << "held back, not written";
    // Another run at the same time cannot write into it: it goes elsewhere.
    ScratchDir elsewhere("report-second");
    FileRunReport second({s.Path(), elsewhere.Path()});
    second.InstallFolder(nullptr);
    EXPECT_EQ(second.Path(), elsewhere / "TolmUnload.log");

    // Past the limit the latest lines are kept, after a line that says where the report was cut.
    const std::string line(100, 'L');
    for (int i = 0; i < 1000; ++i) report.Line(line.c_str());
    report.Line("End: the run ended");
    report.Flush();
    std::string text = ReadAll(log);
    EXPECT_LT(text.size(), limit);
    EXPECT_NE(text.find("\r\n(report cut here: "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - line.size() - 22), line + "\r\nEnd: the run ended\r\n") << "whole lines only";
    report.Line("Result: the last line");
    report.Flush();
    text = ReadAll(log);
    EXPECT_LT(text.size(), limit);
    EXPECT_EQ(text.substr(text.size() - 23), "Result: the last line\r\n");
}

// The earlier run's last line survives a preview, which drops nothing (its
// report goes elsewhere when the file has no room), and the real run after
// it, which keeps the end of the earlier run even when that run alone is
// larger than what it keeps.
TEST(RunReportFile, TheEarlierRunsEndSurvivesAPreviewAndTheRunAfterIt) {
    ScratchDir s("report-earlier"), elsewhere("report-elsewhere");
    const std::string log = s / "TolmUnload.log";
    const DWORD limit = 200 * 1024;
    for (long overLimit : {-100L, 100L}) {
        SCOPED_TRACE(overLimit);
        std::string earlier = std::string(kRunHeaderMark) + "earlier ====\r\n";
        while (earlier.size() + 102 < limit + overLimit - 40) earlier += std::string(100, 'x') + "\r\n";
        earlier += std::string(limit + overLimit - 40 - earlier.size(), 'y') + "\r\n";
        earlier += "LAST LINE OF THE EARLIER RUN\r\n";
        ASSERT_TRUE(tolmtest::WriteFile(log, earlier));
        ::DeleteFileA((elsewhere / "TolmUnload.log").c_str());
        {
            FileRunReport preview({s.Path(), elsewhere.Path()}, limit, false);
            preview.Line((std::string(kRunHeaderMark) + "preview ====").c_str());
            preview.InstallFolder(nullptr);
            EXPECT_EQ(preview.Path(), elsewhere / "TolmUnload.log");
        }
        EXPECT_TRUE(ReadAll(log) == earlier) << "the preview changed the report";
        {
            FileRunReport real({s.Path()}, limit);
            real.Line((std::string(kRunHeaderMark) + "real ====").c_str());
            real.InstallFolder(nullptr);
            EXPECT_EQ(real.Path(), log);
        }
        const std::string text = ReadAll(log);
        EXPECT_LT(text.size(), limit);
        EXPECT_EQ(text.compare(0, std::strlen(kRunHeaderMark), kRunHeaderMark), 0) << "still the report's own file";
        EXPECT_NE(text.find("\r\nLAST LINE OF THE EARLIER RUN\r\n" + std::string(kRunHeaderMark) + "real ===="),
                  std::string::npos);
    }
}

}  // namespace
