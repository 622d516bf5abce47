// A folder that only a per-user registry value names, which any program of the
// user's can write: the run that asks nothing before the files ("-s") cleans
// it only when one of the suite's programs is in it, and otherwise goes on as
// without an install folder.
#include "EndToEnd.h"

#include <algorithm>

#include "../../res/resource.h"
#include "MachineAccess.h"

namespace {

const char kUserFolder[] = "C:\\tolmtest\\e2e\\My Documents";
const char kFirewallKey[] = "Software\\Velkaris\\TqmPFW";

class PerUserFolder : public EndToEnd {};

TEST_F(PerUserFolder, IsCleanedByTheSilentRunOnlyWithTheSuiteInIt) {
    struct Case {
        const char* name;
        bool suiteProgram;  // TQM32.EXE lies in the folder
        std::vector<int> questions;
        std::vector<std::string> left;  // of the files laid down
    } cases[] = {
        {"the user's own folder", false, {IDS_NO_INSTALL_PATH}, {"letter.pth", "QA1234.DAT", "TQMReadme.txt", "Rules\\own.xml"}},
        {"a folder of the suite's", true, {IDS_ASK_RESTART}, {"Rules\\own.xml"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        footprint::Installed installed;
        installed.services = installed.processes = false;
        Seed("", installed);  // the suite's keys, but no folder recorded where the machine's values are
        if (HasFatalFailure()) return;
        footprint::DeleteFolderTree(kUserFolder);
        for (const char* f : {"letter.pth", "QA1234.DAT", "TQMReadme.txt", "Rules\\own.xml"})
            ASSERT_TRUE(footprint::MakeFile(std::string(kUserFolder) + "\\" + f, "mine"));
        if (c.suiteProgram) {
            ASSERT_TRUE(footprint::MakeFile(std::string(kUserFolder) + "\\TQM32.EXE", "x"));
        }
        ASSERT_TRUE(footprint::SetValue(HKEY_CURRENT_USER, kFirewallKey, "ProgramPath", REG_SZ, kUserFolder));
        const tooldriver::DriveResult r = tooldriver::Drive(
            fp->Tool(), "-s", false, Answers({{IDS_NO_INSTALL_PATH, IDYES}, {IDS_ASK_RESTART, IDNO}}), 120000);
        ASSERT_EQ(r.trouble, "");
        std::vector<int> asked;
        for (const tooldriver::Box& b : r.boxes)
            asked.push_back(b.text == M(IDS_NO_INSTALL_PATH) ? IDS_NO_INSTALL_PATH
                                                             : b.text == M(IDS_ASK_RESTART) ? IDS_ASK_RESTART : 0);
        EXPECT_EQ(asked, c.questions);
        for (const char* f : {"letter.pth", "QA1234.DAT", "TQMReadme.txt", "Rules\\own.xml"}) {
            const bool left = std::find(c.left.begin(), c.left.end(), f) != c.left.end();
            EXPECT_EQ(footprint::Exists(std::string(kUserFolder) + "\\" + f), left) << f;
        }
        if (!c.suiteProgram) {
            EXPECT_NE(Report().find("named only by a per-user value"), std::string::npos) << Report();
        }
        footprint::DeleteFolderTree(kUserFolder);
    }
}

}  // namespace
