// The whole tool through a real restart, in a scratch prefix of its own, run
// one test at a time by restart_e2e.sh:
// - BeforeTheRestart: a program folder with a file in use, the complete run,
//   and Yes to the restart question. The restart ends this process, so what
//   the run did is written down first, and a driver (e2e_restart_driver) is
//   registered to run at the restart before "TQMUNLOAD".
// - the restart: the boot runs the driver, which drives the tool the boot
//   starts next (Run, Yes, Yes, No) and writes down the boxes it saw.
// - AfterTheRestart, in a fresh session: the tool asked about the folder it
//   was started with, removed it, and registered nothing again.
// - QuietBeforeTheRestart: the same machine removed with "/quiet", which ends
//   with 3010 and registers itself to start unattended; the driver is
//   registered to watch, and the installation is left for the restart (which
//   restart_e2e.sh then makes).
// - QuietAfterTheRestart: the tool the restart started showed nothing, ended
//   with 0, removed the folder and appended its run to the same report.
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

// The texts of the boxes the driver saw, each ended by a NUL.
std::vector<std::string> DrivenBoxes() {
    std::vector<std::string> boxes;
    const std::string all = tolmtest::ReadWholeFile(kDrivenRecord).value_or("");
    for (size_t at = 0, end; (end = all.find('\0', at)) != std::string::npos; at = end + 1)
        boxes.push_back(all.substr(at, end - at));
    return boxes;
}

class Restart : public EndToEnd {};

TEST_F(Restart, BeforeTheRestart) {
    ::DeleteFileA(kBeforeRecord);
    ::DeleteFileA(kDrivenRecord);
    footprint::DeleteValue(HKEY_LOCAL_MACHINE, kRunOnce, kDriverValue);  // left by an attempt that did not restart
    const footprint::Scenario scenario = Scenario(true);
    Seed(footprint::kFullClearingDir, scenario.installed);
    if (HasFatalFailure()) return;
    const std::string driver = "\"" + tolmtest::BinDir() + "\\tests\\e2e\\e2e_restart_driver.exe\" " + kDrivenRecord;
    const tooldriver::Answerer yes = Answers({{IDS_CONFIRM_REMOVE_ALL, IDYES}, {IDS_CONFIRM_DELETE_FILES, IDYES}});
    const tooldriver::DriveResult r = tooldriver::Drive(fp->Tool(), "", true, [&](const tooldriver::Box& b) {
        if (b.text != M(IDS_ASK_RESTART)) return yes(b);
        // What the run did, before the restart ends this process.
        const std::string differences = MachineDiffers(footprint::Expect(*fp, scenario));
        tolmtest::WriteFile(kBeforeRecord, differences.empty() ? kAsExpected : differences);
        return footprint::SetValue(HKEY_LOCAL_MACHINE, kRunOnce, kDriverValue, REG_SZ, driver) ? IDYES : IDNO;
    }, 120000);
    FAIL() << "the restart did not end this process: " << r.trouble;
}

TEST_F(Restart, AfterTheRestart) {
    const footprint::Scenario scenario = Scenario(false);
    fp.reset(new footprint::Footprint(footprint::kFullClearingDir));
    install.reset(new footprint::Installation(*fp, scenario.installed));  // takes it all away at the end
    const std::vector<std::string> boxes = DrivenBoxes();
    ASSERT_EQ(3u, boxes.size()) << "the tool the restart started should ask 102, 109 and 125";
    EXPECT_EQ(M(IDS_CONFIRM_REMOVE_ALL), boxes[0]);
    EXPECT_EQ(tooldriver::FormatWith(M(IDS_CONFIRM_DELETE_FILES), fp->InstallDir() + "\\"), boxes[1])
        << "the folder from the command line, not 107";
    EXPECT_EQ(M(IDS_ASK_RESTART), boxes[2]);
    // The folder that stayed is gone and "TQMUNLOAD" was not written again. The
    // boot that started this session ran every RunOnce value and deleted it,
    // the marker the second run wrote among them.
    footprint::Outcomes outcomes = footprint::Expect(*fp, scenario);
    for (size_t i = 0; i < outcomes.size(); ++i)
        if (fp->Items()[i].kind == footprint::Kind::Value && fp->Items()[i].path == kRunOnce)
            outcomes[i] = footprint::Outcome::NotThere;
    EXPECT_EQ(MachineDiffers(outcomes), "");
    DWORD type = 0;
    std::string command;
    EXPECT_FALSE(footprint::ReadValue(HKEY_LOCAL_MACHINE, kRunOnce, kDriverValue, &type, &command)) << command;
    ::DeleteFileA(kBeforeRecord);
    ::DeleteFileA(kDrivenRecord);
}

TEST_F(Restart, QuietBeforeTheRestart) {
    ::DeleteFileA(kBeforeRecord);
    ::DeleteFileA(kDrivenRecord);
    footprint::DeleteValue(HKEY_LOCAL_MACHINE, kRunOnce, kDriverValue);
    const footprint::Scenario scenario = Scenario(true);
    Seed(footprint::kFullClearingDir, scenario.installed);
    if (HasFatalFailure()) return;
    const tooldriver::DriveResult r =
        tooldriver::Drive(fp->Tool(), "/quiet", false, [](const tooldriver::Box&) { return IDOK; }, 120000);
    ASSERT_EQ(r.trouble, "");
    EXPECT_FALSE(r.mainSeen);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(r.exitCode, 3010u) << "removed, and a restart finishes the job";
    DWORD type = 0;
    std::string command;
    ASSERT_TRUE(footprint::ReadValue(HKEY_LOCAL_MACHINE, kRunOnce, "TQMUNLOAD", &type, &command));
    EXPECT_EQ(command, "\"" + fp->Tool() + "\" /quiet " + fp->InstallDir() + "\\");
    const std::string driver =
        "\"" + tolmtest::BinDir() + "\\tests\\e2e\\e2e_restart_driver.exe\" " + kDrivenRecord + " --watch";
    ASSERT_TRUE(footprint::SetValue(HKEY_LOCAL_MACHINE, kRunOnce, kDriverValue, REG_SZ, driver));
    tolmtest::WriteFile(kBeforeRecord, kAsExpected);
    install->Leave();  // the restart's run takes it away; the held file is let go when this process ends
}

TEST_F(Restart, QuietAfterTheRestart) {
    const footprint::Scenario scenario = Scenario(false);
    fp.reset(new footprint::Footprint(footprint::kFullClearingDir));
    install.reset(new footprint::Installation(*fp, scenario.installed));  // takes it all away at the end
    EXPECT_EQ(tolmtest::ReadWholeFile(kDrivenRecord).value_or(""), "window 0 boxes 0 exit 0")
        << "the tool the restart started should finish unattended";
    footprint::Outcomes outcomes = footprint::Expect(*fp, scenario);
    for (size_t i = 0; i < outcomes.size(); ++i)
        if (fp->Items()[i].kind == footprint::Kind::Value && fp->Items()[i].path == kRunOnce)
            outcomes[i] = footprint::Outcome::NotThere;
    EXPECT_EQ(MachineDiffers(outcomes), "");
    // The second run appended to the first one's report.
    const std::string report = Report();
    const size_t first = report.find("Run mode: quiet (/quiet)");
    ASSERT_NE(first, std::string::npos) << report;
    EXPECT_NE(report.find("Run mode: quiet (/quiet)", first + 1), std::string::npos) << report;
    EXPECT_NE(report.find("Command line: \"" + fp->Tool() + "\" /quiet " + fp->InstallDir()), std::string::npos)
        << report;
    ::DeleteFileA(kBeforeRecord);
    ::DeleteFileA(kDrivenRecord);
}

}  // namespace
