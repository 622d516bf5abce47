// The tool as a deployment system runs it: "/log <file>" puts the report where
// the system collects it and the registry backup beside it, or leaves a file
// that may not take it alone and says why; the user's rules outlive the folder
// the system started the tool from.
#include <shlobj.h>

#include "EndToEnd.h"

#include "../../res/resource.h"
#include "MachineAccess.h"

namespace {

const std::string kLogs = "C:\\tolmtest\\e2e\\logs", kBlankLogs = "C:\\tolmtest\\e2e\\my logs";

class Deployment : public EndToEnd {
protected:
    void TearDown() override {
        footprint::DeleteFolderTree(kLogs);
        footprint::DeleteFolderTree(kBlankLogs);
        EndToEnd::TearDown();
    }
};

TEST_F(Deployment, LogPutsTheReportWhereNamedAndTheBackupBesideIt) {
    const std::string tool = footprint::kToolDir, besideTool = tool + "\\TolmUnload.log", victim = kLogs + "\\victim.txt";
    const std::string earlier = "==== TolmUnload run earlier ====\r\nits last line\r\n";
    const struct {
        std::string args;
        bool seed;           // the suite laid down: a real run writes a backup
        std::string report;  // where the report goes
        const char* why;     // what it says of the named file ("" nothing)
    } cases[] = {
        {"/quiet /log " + kLogs + "\\deploy.log", true, kLogs + "\\deploy.log", ""},
        {"/silent /log \"" + kBlankLogs + "\\run 1.log\"", true, kBlankLogs + "\\run 1.log", ""},  // appended
        {"/preview /quiet /log " + kLogs, false, kLogs + "\\TolmUnload.log", ""},
        {"/preview /quiet /LOG " + kLogs + "\\linked.log", false, besideTool, "the file has other links"},
        {"/preview /quiet /log \"" + kLogs + "\\no such folder\\x.log\"", false, besideTool, "cannot be made or opened"},
        {"/preview /quiet /log NUL", false, besideTool, "a device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        if (c.seed) Seed(footprint::kNamedDir, {false, false, false});
        if (HasFatalFailure()) return;
        footprint::DeleteFolderTree(kLogs);
        footprint::DeleteFolderTree(kBlankLogs);
        ::DeleteFileA(besideTool.c_str());
        ASSERT_TRUE(footprint::MakeFile(victim, "not a report") && footprint::MakeFile(kBlankLogs + "\\run 1.log", earlier));
        ASSERT_TRUE(::CreateHardLinkA((kLogs + "\\linked.log").c_str(), victim.c_str(), nullptr));
        const tooldriver::DriveResult r = tooldriver::Drive(
            fp->Tool(), c.args, false,
            Answers({{IDS_CONFIRM_REMOVE_ALL, IDYES}, {IDS_CONFIRM_DELETE_FILES, IDYES}, {IDS_ASK_RESTART, IDNO}}), 120000);
        ASSERT_EQ(r.trouble, "");
        const std::string report = tolmtest::ReadWholeFile(c.report).value_or("");
        EXPECT_NE(report.find("Command line: "), std::string::npos) << "no report at " << c.report;
        EXPECT_EQ(report.find("Report: not written to") != std::string::npos, *c.why != '\0') << report;
        EXPECT_NE(report.find(c.why), std::string::npos) << report;
        EXPECT_EQ(footprint::Exists(besideTool), c.report == besideTool);
        EXPECT_EQ(tolmtest::ReadWholeFile(victim).value_or(""), "not a report") << "the linked file changed";
        if (c.report.find("run 1.log") != std::string::npos) {
            EXPECT_EQ(report.compare(0, earlier.size(), earlier), 0) << "the earlier run was not kept";
        }
        EXPECT_EQ(Backups(footprint::FolderOf(c.report)).size(), c.seed ? 1u : 0u);
        EXPECT_EQ(Backups().size(), 0u);
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
    Seed(footprint::kNamedDir, {false, false, false});
    if (HasFatalFailure()) return;
    const char* const kRuleFiles[] = {"QAF\\AntiRule_Private.xml", "QMF\\QMailRule_Private.xml", "Rules\\QPFWRule.xml"};
    std::vector<std::string> before;
    for (const char* f : kRuleFiles) before.push_back(tolmtest::ReadWholeFile(fp->InstallDir() + "\\" + f).value_or("?"));
    ASSERT_TRUE(footprint::MakeFolder(deploy) && footprint::MakeFolder(kLogs));
    ASSERT_TRUE(::CopyFileA(tolmtest::ToolPath().c_str(), (deploy + "\\TolmUnload.exe").c_str(), FALSE));
    const tooldriver::DriveResult r = tooldriver::Drive(deploy + "\\TolmUnload.exe", "/quiet /log " + kLogs, false,
                                                        [](const tooldriver::Box&) { return IDOK; }, 120000);
    ASSERT_EQ(r.trouble, "");
    const std::string report = tolmtest::ReadWholeFile(kLogs + "\\TolmUnload.log").value_or("");
    footprint::DeleteFolderTree(deploy);
    ASSERT_FALSE(footprint::Exists(deploy));
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_FALSE(footprint::Exists(fp->InstallDir() + "\\" + kRuleFiles[i])) << report;
        EXPECT_EQ(tolmtest::ReadWholeFile(rules + "\\" + kRuleFiles[i]).value_or("<missing>"), before[i]) << kRuleFiles[i];
    }
    EXPECT_NE(report.find("the rules are copied for all users to " + rules), std::string::npos) << report;
    footprint::DeleteFolderTree(rules);
}

}  // namespace
