// The whole tool through a real restart, in a scratch prefix of its own, run
// one test at a time by restart_e2e.sh. Wine tells the tool it runs on its
// default version, where (as on Vista with UAC) it has no folder only
// administrators can change: nothing is registered to start at a logon, and
// the restart alone finishes the job.
// - BeforeTheRestart: a program folder with a file in use, the complete run,
//   and Yes to the restart question. The restart ends this process, so what
//   the run did (and what it queued for the next start) is written down first.
// - AfterTheRestart, in a fresh session whose boot ran the queue: the folder
//   is gone, no one having logged on, and nothing is registered.
// - QuietBeforeTheRestart: the same machine removed with "/quiet", which ends
//   with 3010 and queues the folder; the script then restarts the prefix.
// - QuietAfterTheRestart: the folder is gone, and no second run was started.

#include "EndToEnd.h"

#include "../../res/resource.h"
#include "MachineAccess.h"
#include "ToolTexts.h"

namespace {

const char kBeforeRecord[] = "C:\\tolmtest\\e2e-restart.txt";
const char kDrivenRecord[] = "C:\\tolmtest\\e2e-restart-driven.txt";
// Wine runs the RunOnce values from the last name to the first: this one first.
const char kDriverValue[] = "ZZTolmE2EDriver";
const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kAsExpected[] = "as expected\n";

footprint::Scenario Scenario(bool fileInUse) {
    footprint::Scenario s;
    s.installed.services = false;
    s.installed.processes = false;
    s.installed.fileInUse = fileInUse;
    return s;
}

// True when the session manager's queue names the install folder for deletion.
bool FolderQueued(const std::string& folder) {
    DWORD type = 0;
    std::string queue;
    return footprint::ReadValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                "PendingFileRenameOperations", &type, &queue) &&
           queue.find(std::string("\\??\\") + folder + '\0') != std::string::npos;
}

class Restart : public EndToEnd {
protected:
    // The suite with a file of it in use, nothing left of an older attempt.
    void SeedInUse() {
        ::DeleteFileA(kBeforeRecord);
        ::DeleteFileA(kDrivenRecord);
        footprint::DeleteValue(HKEY_LOCAL_MACHINE, kRunOnce, kDriverValue);
        Seed(footprint::kFullClearingDir, Scenario(true).installed);
    }
    // As a run without the file in use leaves the machine: the boot deleted the
    // file and the folder, and ran every RunOnce value (the marker among them).
    // Takes the footprint away at the end.
    std::string MachineAfterTheBoot() {
        const footprint::Scenario scenario = Scenario(false);
        fp.reset(new footprint::Footprint(footprint::kFullClearingDir));
        install.reset(new footprint::Installation(*fp, scenario.installed));
        footprint::Outcomes outcomes = footprint::Expect(*fp, scenario);
        for (size_t i = 0; i < outcomes.size(); ++i)
            if (fp->Items()[i].kind == footprint::Kind::Value && fp->Items()[i].path == kRunOnce)
                outcomes[i] = footprint::Outcome::NotThere;
        return MachineDiffers(outcomes);
    }
};

TEST_F(Restart, BeforeTheRestart) {
    const footprint::Scenario scenario = Scenario(true);
    SeedInUse();
    if (HasFatalFailure()) return;
    const tooldriver::Answerer yes = Answers({{IDS_CONFIRM_REMOVE_ALL, IDYES}, {IDS_CONFIRM_DELETE_FILES, IDYES}});
    const tooldriver::DriveResult r = tooldriver::Drive(fp->Tool(), "", true, [&](const tooldriver::Box& b) {
        if (b.text != M(IDS_ASK_RESTART)) return yes(b);
        // What the run did, before the restart ends this process.
        std::string differences = MachineDiffers(footprint::Expect(*fp, scenario));
        if (!FolderQueued(fp->InstallDir())) differences += "the folder is not queued for deletion at the next start\n";
        tolmtest::WriteFile(kBeforeRecord, differences.empty() ? kAsExpected : differences);
        return IDYES;
    }, 120000);
    FAIL() << "the restart did not end this process: " << r.trouble;
}

TEST_F(Restart, AfterTheRestart) {
    EXPECT_EQ(MachineAfterTheBoot(), "");
    EXPECT_EQ(::GetFileAttributesA(fp->InstallDir().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FolderQueued(fp->InstallDir()));
    ::DeleteFileA(kBeforeRecord);
}

TEST_F(Restart, QuietBeforeTheRestart) {
    SeedInUse();
    if (HasFatalFailure()) return;
    const tooldriver::DriveResult r =
        tooldriver::Drive(fp->Tool(), "/quiet", false, [](const tooldriver::Box&) { return IDOK; }, 120000);
    ASSERT_EQ(r.trouble, "");
    EXPECT_FALSE(r.mainSeen);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(r.exitCode, 3010u) << "removed, and a restart finishes the job";
    DWORD type = 0;
    std::string command;
    EXPECT_FALSE(footprint::ReadValue(HKEY_LOCAL_MACHINE, kRunOnce, "TQMUNLOAD", &type, &command)) << command;
    ASSERT_TRUE(FolderQueued(fp->InstallDir()));
    tolmtest::WriteFile(kBeforeRecord, kAsExpected);
    install->Leave();  // the restart takes it away; the held file is let go when this process ends
}

TEST_F(Restart, QuietAfterTheRestart) {
    EXPECT_EQ(MachineAfterTheBoot(), "");
    // One run only: nothing started the tool again.
    const std::string report = Report();
    const size_t first = report.find("Run mode: quiet (/quiet)");
    ASSERT_NE(first, std::string::npos) << report;
    EXPECT_EQ(report.find("Run mode: quiet (/quiet)", first + 1), std::string::npos) << report;
    EXPECT_NE(report.find("deleted at the next start"), std::string::npos) << report;
    ::DeleteFileA(kBeforeRecord);
}

}  // namespace
