// The order of the run's steps and questions, with its operations substituted:
// cases Wine cannot make (no administrator rights) and the exact calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../res/resource.h"
#include "../../run/UnattendedRun.h"
#include "FakeRun.h"
#include "TestSupport.h"
#include "RunSequenceFixture.h"

std::string S(UINT id) {
    CString s;
    s.LoadString(id);
    return s.GetString();
}

namespace {

TEST_F(RunSequence, NotAnAdministratorOnNtGetsMessage117AndNothingElse) {
    fake.admin = 0;
    RunUninstall(kInteractiveRun, host, fake);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, S(IDS_NOT_ADMIN));
    EXPECT_EQ(host.boxes[0].caption, S(IDS_CAPTION_ERROR));
    EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"GetVersion", "CanManageServices", "Message"}));
    EXPECT_TRUE(host.runDisabled);
    EXPECT_TRUE(host.log.empty());
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.quit, -1);
}

TEST_F(RunSequence, Windows95FamilySkipsTheAdministratorTest) {
    fake.version = 0xC0000A04;  // high bit set
    fake.admin = 0;
    fake.nt = 0;
    host.answers = {IDNO};
    RunUninstall(kInteractiveRun, host, fake);
    EXPECT_FALSE(Called("CanManageServices"));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, S(IDS_CONFIRM_REMOVE_ALL));
    EXPECT_EQ(host.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"GetVersion", "Message"}));
}

TEST_F(RunSequence, SilentRunHasNoAdministratorTestAndGoesThroughEveryStep) {
    fake.admin = 0;
    host.answers = {IDNO};  // the restart question
    RunUninstall(kSilentRun, host, fake);
    EXPECT_FALSE(Called("GetVersion"));
    EXPECT_FALSE(Called("CanManageServices"));
    EXPECT_TRUE(Called("RemoveProductFolder"));
    EXPECT_FALSE(host.runDisabled);
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.refreshes, 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, S(IDS_ASK_RESTART));
    EXPECT_FALSE(host.boxes[0].defaultCaption);
    EXPECT_EQ(host.boxes[0].caption, "");
}

std::vector<std::string> Records() {
    std::vector<std::string> v;
    for (const char* code : kProductCodes) {
        v.push_back(std::string("RemoveInstallerRecordFolder ") + code);
        v.push_back(std::string("DeleteRegistryTree HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + code);
    }
    return v;
}

TEST_F(RunSequence, InteractiveRunOnVistaCallsEveryOperationInOrder) {
    fake.vista = 1;
    fake.lookup = 2;  // only the firewall's key knows the folder
    RunUninstall(kInteractiveRun, host, fake);
    std::vector<std::string> want = {
        "GetVersion", "CanManageServices", "Message", "GetOSDescription", "EnableProcessPrivileges",
        "ReadAntivirus(HKLM)", "ReadAntivirus(HKCU)", "ReadFirewall", "RestoreScriptEngines",
        "DeleteProductKeys(HKLM)", "DeleteProductKeys(HKCU)", "DeleteDriverServiceKeys", "DeleteRunValues",
        "RemoveProductServices", "TerminateProductProcesses"};
    for (const auto& r : Records()) want.push_back(r);
    for (const char* s : {"Message", "PreserveUserRules C:\\Apps\\ZRP2007", "RemoveProductFolder C:\\Apps\\ZRP2007",
                          "ScheduleFolderRemoval C:\\Apps\\ZRP2007\\", "PrepareVistaCompanion", "Message",
                          "Restart"})
        want.push_back(s);
    EXPECT_EQ(fake.calls, want);
    EXPECT_EQ(host.progress, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 100}));
    // One buffer through the steps: the deferred removal sees the appended backslash.
    EXPECT_EQ(fake.scheduledBuffer, fake.folderBuffer);
    ASSERT_EQ(host.boxes.size(), 3u);
    CString q;
    q.Format(S(IDS_CONFIRM_DELETE_FILES).c_str(), "C:\\Apps\\ZRP2007");
    EXPECT_EQ(host.boxes[1].text, q.GetString());
    EXPECT_EQ(host.boxes[1].caption, S(IDS_CAPTION_ALERT));
    EXPECT_EQ(host.boxes[1].type, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(host.boxes[1].progress, 70);
    EXPECT_EQ(host.boxes[2].caption, "");
    EXPECT_EQ(host.boxes[2].progress, 100);
    const std::string ok = S(IDS_SUFFIX_SUCCESS);
    EXPECT_EQ(host.log, S(IDS_LOG_START) + S(IDS_STEP_SCRIPT_ENGINES) + ok + S(IDS_STEP_REGISTRY) + ok +
                            S(IDS_STEP_SERVICES) + ok + S(IDS_STEP_INSTALLER) + ok + S(IDS_STEP_FILES) + ok);
    EXPECT_EQ(host.refreshes, 6);
}

// The silent run deletes only the update keys, and ends by system: Vista keeps
// the rules and prepares the companion, every other system schedules the folder.
TEST_F(RunSequence, SilentRunDeletesOnlyTheUpdateKeysAndEndsBySystem) {
    struct Case {
        int vista;
        std::vector<std::string> called, notCalled;
    };
    const Case cases[] = {
        {1, {"PreserveUserRules", "PrepareVistaCompanion"}, {"ScheduleFolderRemoval"}},
        {0, {"ScheduleFolderRemoval C:\\Apps\\ZRP2007\\"}, {"PreserveUserRules", "PrepareVistaCompanion"}},
    };
    for (const Case& c : cases) {
        FakeOperations f;
        f.vista = c.vista;
        FakeHost h;
        h.calls = &f.calls;
        RunUninstall(kSilentRun, h, f);
        for (const char* op : {"DeleteUpdateKey(HKLM)", "DeleteUpdateKey(HKCU)", "Restart"})
            EXPECT_TRUE(f.Called(op)) << op << ", vista " << c.vista;
        EXPECT_FALSE(f.Called("DeleteProductKeys")) << "vista " << c.vista;
        for (const std::string& op : c.called) EXPECT_TRUE(f.Called(op)) << op << ", vista " << c.vista;
        for (const std::string& op : c.notCalled) EXPECT_FALSE(f.Called(op)) << op << ", vista " << c.vista;
    }
}

}  // namespace
