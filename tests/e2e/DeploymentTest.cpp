// The tool as a deployment system runs it: "/log <file>" puts the report where
// the system collects it and the registry backup beside it, or leaves a file
// that may not take it alone and says why; the user's rules outlive the folder
// the system started the tool from.
#include <shlobj.h>

#include "EndToEnd.h"

#include "../../res/resource.h"
#include "MachineAccess.h"

namespace {

const char kLogs[] = "C:\\tolmtest\\e2e\\logs";
const char kBlankLogs[] = "C:\\tolmtest\\e2e\\my logs";
const char kRunHeader[] = "==== TolmUnload run ";
const footprint::Installed kNothingRunning = {false, false, false};

std::vector<std::string> BackupsIn(const std::string& folder) {
    std::vector<std::string> found;
    WIN32_FIND_DATAA fd;
    HANDLE find = ::FindFirstFileA((folder + "\\TolmUnload-backup-*.reg").c_str(), &fd);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(find, &fd)) found.push_back(fd.cFileName);
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
    return found;
}

class Deployment : public EndToEnd {
protected:
    void TearDown() override {
        footprint::DeleteFolderTree(kLogs);
        footprint::DeleteFolderTree(kBlankLogs);
        EndToEnd::TearDown();
    }
};

TEST_F(Deployment, LogPutsTheReportWhereNamedAndTheBackupBesideIt) {
    const std::string logs = kLogs, tool = footprint::kToolDir, victim = logs + "\\victim.txt";
    const std::string earlier = std::string(kRunHeader) + "earlier ====\r\nits last line\r\n";
    struct Case {
        const char* name;
        std::string args;
        bool seed;           // the suite laid down: a real run writes a backup
        std::string report;  // where the report goes
        const char* why;     // what the report beside the tool says of the named file ("" nothing)
    } cases[] = {
        {"a plain path, /quiet", "/quiet /log " + logs + "\\deploy.log", true, logs + "\\deploy.log", ""},
        {"a quoted path with blanks, the automatic start, appended",
         "/silent /log \"" + std::string(kBlankLogs) + "\\run 1.log\"", true, std::string(kBlankLogs) + "\\run 1.log", ""},
        {"a folder, the preview", "/preview /quiet /log " + logs, false, logs + "\\TolmUnload.log", ""},
        {"a hard link to another file", "/preview /quiet /LOG " + logs + "\\linked.log", false,
         tool + "\\TolmUnload.log", "the file has other links"},
        {"a path that cannot be created", "/preview /quiet /log \"" + logs + "\\no such folder\\x.log\"", false,
         tool + "\\TolmUnload.log", "cannot be made or opened"},
        {"a device", "/preview /quiet /log NUL", false, tool + "\\TolmUnload.log", "a device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.seed) {
            Seed(footprint::kNamedDir, kNothingRunning);
            if (HasFatalFailure()) return;
        }
        footprint::DeleteFolderTree(kLogs);
        footprint::DeleteFolderTree(kBlankLogs);
        ::DeleteFileA((tool + "\\TolmUnload.log").c_str());
        ASSERT_TRUE(footprint::MakeFile(victim, "not a report"));
        ASSERT_TRUE(::CreateHardLinkA((logs + "\\linked.log").c_str(), victim.c_str(), nullptr));
        ASSERT_TRUE(footprint::MakeFile(std::string(kBlankLogs) + "\\run 1.log", earlier));
        const tooldriver::DriveResult r = tooldriver::Drive(
            fp->Tool(), c.args, false,
            Answers({{IDS_CONFIRM_REMOVE_ALL, IDYES}, {IDS_CONFIRM_DELETE_FILES, IDYES}, {IDS_ASK_RESTART, IDNO}}), 120000);
        ASSERT_EQ(r.trouble, "");
        const std::string report = tolmtest::ReadWholeFile(c.report).value_or("");
        EXPECT_NE(report.find("Command line: "), std::string::npos) << "no report at " << c.report;
        EXPECT_EQ(tolmtest::ReadWholeFile(victim).value_or(""), "not a report") << "the linked file changed";
        if (*c.why) {
            EXPECT_NE(report.find("Report: not written to"), std::string::npos) << report;
            EXPECT_NE(report.find(c.why), std::string::npos) << report;
        } else {
            EXPECT_FALSE(footprint::Exists(tool + "\\TolmUnload.log")) << "a report beside the tool too";
        }
        if (c.report.find("run 1.log") != std::string::npos) {
            EXPECT_EQ(report.compare(0, earlier.size(), earlier), 0) << "the earlier run was not kept";
        }
        const std::string folder = footprint::FolderOf(c.report);
        EXPECT_EQ(BackupsIn(folder).size(), c.seed ? 1u : 0u) << "backups beside " << c.report;
        if (c.seed) {
            EXPECT_TRUE(BackupsIn(tool).empty()) << "a backup beside the tool";
        }
    }
}

// Started by a deployment from a folder it empties afterwards: on Vista the
// rules outlive it in all users' documents, and the report says where.
TEST_F(Deployment, QuietOnVistaKeepsTheRulesForAllUsers) {
    char common[MAX_PATH] = {};
    ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, common, CSIDL_COMMON_DOCUMENTS, FALSE));
    const std::string rules = std::string(common) + "\\TolmUnload Rules", deploy = "C:\\tolmtest\\e2e\\deploy";
    footprint::DeleteFolderTree(rules);
    SetVersion("vista");
    Seed(footprint::kNamedDir, kNothingRunning);
    if (HasFatalFailure()) return;
    const char* const kRuleFiles[] = {"QAF\\AntiRule_Private.xml", "QMF\\QMailRule_Private.xml", "Rules\\QPFWRule.xml"};
    std::vector<std::string> before;
    for (const char* f : kRuleFiles) before.push_back(tolmtest::ReadWholeFile(fp->InstallDir() + "\\" + f).value_or("?"));
    ASSERT_TRUE(footprint::MakeFolder(deploy));
    ASSERT_TRUE(footprint::MakeFolder(kLogs));
    ASSERT_TRUE(::CopyFileA(tolmtest::ToolPath().c_str(), (deploy + "\\TolmUnload.exe").c_str(), FALSE));
    const tooldriver::DriveResult r = tooldriver::Drive(deploy + "\\TolmUnload.exe", std::string("/quiet /log ") + kLogs,
                                                        false, [](const tooldriver::Box&) { return IDOK; }, 120000);
    ASSERT_EQ(r.trouble, "");
    footprint::DeleteFolderTree(deploy);
    ASSERT_FALSE(footprint::Exists(deploy));
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_FALSE(footprint::Exists(fp->InstallDir() + "\\" + kRuleFiles[i])) << "the original is still there";
        EXPECT_EQ(tolmtest::ReadWholeFile(rules + "\\" + kRuleFiles[i]).value_or("<missing>"), before[i]) << kRuleFiles[i];
        EXPECT_FALSE(footprint::Exists(std::string(footprint::kToolDir) + "\\" + kRuleFiles[i]));
    }
    const std::string report = tolmtest::ReadWholeFile(std::string(kLogs) + "\\TolmUnload.log").value_or("");
    EXPECT_NE(report.find("the rules are copied for all users to " + rules), std::string::npos) << report;
    footprint::DeleteFolderTree(rules);
}

}  // namespace
