// The runs no one sits at, on seeded machines: the preview changes nothing and
// names what the removal then removes; "/quiet" removes with no window and ends
// with the code a deployment system reads; and the registry backup that a real
// run writes puts the registry back when regedit imports it.
#include "EndToEnd.h"

#include <cstdlib>
#include <set>

#include "../../res/resource.h"
#include "MachineAccess.h"
#include "Probe.h"
#include "ReportCheck.h"
#include "ReportText.h"

using footprint::Installed;

namespace {

const Installed kRunning = {true, true, false};
const Installed kFileInUse = {false, true, true};
const Installed kNothingRunning = {false, false, false};
const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kRunHeader[] = "==== TolmUnload run ";

// The interactive run answered Yes, Yes and No: what "/quiet" does.
footprint::Scenario Complete(const Installed& installed) {
    footprint::Scenario s;
    s.installed = installed;
    return s;
}

// The last run of a report (from its last run header on).
std::string LastRun(const std::string& report) {
    const size_t at = report.rfind(kRunHeader);
    return at == std::string::npos ? "" : report.substr(at);
}

// The exit code that a run's last line says it ends with; -1 when there is no such line.
long ResultCode(const std::string& run) {
    const std::string mark = "\r\nResult: exit code ";
    const size_t at = run.rfind(mark);
    if (at == std::string::npos || run.find("\r\n", at + 2) != run.size() - 2) return -1;
    return std::strtol(run.c_str() + at + mark.size(), nullptr, 10);
}

class Unattended : public EndToEnd {
protected:
    // Runs the tool with args and nobody at it; the boxes it showed are answered OK.
    tooldriver::DriveResult RunUnattended(const std::string& args) {
        return tooldriver::Drive(fp->Tool(), args, false, [](const tooldriver::Box&) { return IDOK; }, 120000);
    }
    // A machine with nothing of the suite on it, and the tool beside it.
    void Clean() {
        install.reset();
        fp.reset(new footprint::Footprint(footprint::kFullClearingDir));
        footprint::Unseed(*fp);
        ASSERT_TRUE(footprint::MakeFolder(footprint::kToolDir));
        ASSERT_TRUE(::CopyFileA(tolmtest::ToolPath().c_str(), fp->Tool().c_str(), FALSE));
    }
};

TEST_F(Unattended, PreviewChangesNothingAndNamesWhatTheRemovalThenRemoves) {
    Seed(footprint::kFullClearingDir, kRunning);
    if (HasFatalFailure()) return;
    const footprint::Snapshot before = footprint::Probe(*fp);
    const tooldriver::DriveResult preview = RunUnattended("/preview");
    ASSERT_EQ(preview.trouble, "");
    EXPECT_FALSE(preview.mainSeen);
    EXPECT_EQ(preview.exitCode, 2u);
    EXPECT_EQ(footprint::Differences(*fp, footprint::Probe(*fp), before), "") << "the preview changed the machine";
    const std::string previewRun = LastRun(Report());
    EXPECT_NE(previewRun.find("(preview: nothing is changed) ===="), std::string::npos) << previewRun;
    EXPECT_NE(previewRun.find("Run mode: preview of the interactive run (/preview)"), std::string::npos);
    EXPECT_EQ(ResultCode(previewRun), 2);
    const std::set<std::string> wouldGo = tolmtest::RemovedItems(tolmtest::Lines(previewRun));
    // Its one message: nothing changed, how many items would go, where the report is.
    ASSERT_EQ(preview.boxes.size(), 1u);
    const std::string message = M(IDS_PREVIEW_DONE);
    const std::string head = message.substr(0, message.find("%d"));
    EXPECT_EQ(preview.boxes[0].text.compare(0, head.size(), head), 0) << preview.boxes[0].text;
    EXPECT_NE(preview.boxes[0].text.find(" " + std::to_string(wouldGo.size()) + " "), std::string::npos)
        << preview.boxes[0].text;
    EXPECT_NE(preview.boxes[0].text.find(std::string(footprint::kToolDir) + "\\TolmUnload.log"), std::string::npos);

    // The real removal on the same machine removes exactly what the preview named.
    const tooldriver::DriveResult quiet = RunUnattended("/quiet");
    ASSERT_EQ(quiet.trouble, "");
    EXPECT_EQ(quiet.exitCode, 0u);
    const footprint::Outcomes outcomes = footprint::Expect(*fp, Complete(kRunning));
    EXPECT_EQ(MachineDiffers(outcomes), "");
    const std::string quietRun = LastRun(Report());
    EXPECT_EQ(footprint::ReportMisses(quietRun, *fp, outcomes), "") << quietRun;
    EXPECT_EQ(wouldGo, tolmtest::RemovedItems(tolmtest::Lines(quietRun)));
    EXPECT_FALSE(wouldGo.empty());

    // On a machine without the suite the preview names nothing and ends with 0.
    Clean();
    if (HasFatalFailure()) return;
    const tooldriver::DriveResult clean = RunUnattended("/preview /quiet");
    EXPECT_EQ(clean.exitCode, 0u);
    EXPECT_TRUE(clean.boxes.empty());
    EXPECT_EQ(tolmtest::RemovedItems(tolmtest::Lines(LastRun(Report()))), std::set<std::string>{}) << LastRun(Report());
    EXPECT_NE(LastRun(Report()).find("Run mode: preview of the quiet run (/preview /quiet)"), std::string::npos);
    EXPECT_EQ(ResultCode(LastRun(Report())), 0);
}

TEST_F(Unattended, QuietRemovesWithoutAWindowAndEndsWithTheDeploymentCode) {
    // What the machine holds beside the seeded footprint.
    enum Extra { kNone, kRunningProgram, kNoUserRunKey };
    struct Case {
        const char* name;
        const char* installDir;  // null: nothing of the suite on the machine
        Installed installed;
        const char* version;
        DWORD code;
        Extra extra;
        const char* reported;  // a line the report holds ("" none asked for)
    } cases[] = {
        // On NT the product keys' subkeys refuse RegDeleteKeyA; the tree deletion takes them.
        {"complete", footprint::kFullClearingDir, kRunning, nullptr, 0, kNone, "\\QAScript: refused (error 5)\r\n"},
        {"a file held open", footprint::kFullClearingDir, kFileInUse, nullptr, 3010, kNone, ""},
        {"nothing installed", nullptr, kNothingRunning, nullptr, 1605, kNone, ""},
        {"no per-user Run key, nothing installed", nullptr, kNothingRunning, nullptr, 1605, kNoUserRunKey, ""},
        {"a program of the suite running that no step ends", footprint::kFullClearingDir, kNothingRunning, nullptr,
         1603, kRunningProgram, "\\Helper.exe: refused (error 5)\r\n"},
        {"Windows 95", footprint::kNamedDir, kNothingRunning, "win95", 3, kNone, ""},
        {"NT 4", footprint::kNamedDir, kNothingRunning, "nt40", 3, kNone, ""},
    };
    const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetVersion(c.version);
        if (c.installDir) {
            Seed(c.installDir, c.installed);
        } else {
            Clean();
        }
        if (HasFatalFailure()) return;
        tolmtest::ChildProcess program;
        const std::string helper = fp->InstallDir() + "\\Helper.exe";
        if (c.extra == kRunningProgram) {
            ASSERT_TRUE(::CopyFileA((tolmtest::BinDir() + "\\tests\\processes\\proc_sleeper.exe").c_str(),
                                    helper.c_str(), FALSE));
            ASSERT_TRUE(program.Start("\"" + helper + "\""));
        }
        // The per-user Run key of a new profile: not there at all.
        std::vector<std::pair<std::string, std::string>> runValues;
        if (c.extra == kNoUserRunKey) {
            for (const std::string& name : regtest::ValueNames(HKEY_CURRENT_USER, run)) {
                std::string data;
                regtest::ReadValue(HKEY_CURRENT_USER, run, name.c_str(), nullptr, &data);
                runValues.push_back({name, data});
            }
            regtest::DeleteTree(HKEY_CURRENT_USER, run);
            ASSERT_FALSE(regtest::KeyExists(HKEY_CURRENT_USER, run));
        }
        const tooldriver::DriveResult r = RunUnattended("/quiet");
        if (c.extra == kRunningProgram) {
            program.Kill();
            ::DeleteFileA(helper.c_str());
        }
        if (c.extra == kNoUserRunKey) {
            EXPECT_FALSE(regtest::KeyExists(HKEY_CURRENT_USER, run)) << "the run made the key";
            regtest::CreateKey(HKEY_CURRENT_USER, run);
            for (const auto& v : runValues) regtest::SetString(HKEY_CURRENT_USER, run, v.first.c_str(), v.second);
        }
        ASSERT_EQ(r.trouble, "");
        EXPECT_FALSE(r.mainSeen);
        EXPECT_TRUE(r.boxes.empty());
        EXPECT_EQ(r.exitCode, c.code);
        const std::string quietRun = LastRun(Report());
        EXPECT_NE(quietRun.find("Run mode: quiet (/quiet)"), std::string::npos);
        EXPECT_EQ(ResultCode(quietRun), static_cast<long>(c.code)) << quietRun;
        EXPECT_NE(quietRun.find(c.reported), std::string::npos) << quietRun;
        if (!c.installDir || c.extra != kNone) continue;
        if (c.code == 3) {
            EXPECT_EQ(MachineDiffers(footprint::Seeded(*fp, c.installed)), "") << "a refused system is left alone";
            continue;
        }
        // As the interactive run leaves it; the folder that stays starts the tool
        // again the same way, unattended.
        footprint::Snapshot want = footprint::StateAfter(*fp, footprint::Expect(*fp, Complete(c.installed)));
        for (size_t i = 0; i < want.size(); ++i) {
            const footprint::Item& item = fp->Items()[i];
            if (item.kind == footprint::Kind::Value && item.value == "TQMUNLOAD" && want[i].present)
                want[i].data = "\"" + fp->Tool() + "\" /quiet " + fp->InstallDir() + "\\";
        }
        EXPECT_EQ(footprint::Differences(*fp, footprint::Probe(*fp), want), "");
    }
}

// Every key and value of the service's registry entry, as text.
std::string ServiceKey(const char* name) {
    const std::string key = std::string("SYSTEM\\CurrentControlSet\\Services\\") + name;
    if (!regtest::KeyExists(HKEY_LOCAL_MACHINE, key)) return "<none>";
    std::string text;
    for (const std::string& value : regtest::ValueNames(HKEY_LOCAL_MACHINE, key)) {
        DWORD type = 0;
        std::string data;
        regtest::ReadValue(HKEY_LOCAL_MACHINE, key, value.c_str(), &type, &data);
        text += value + "=" + std::to_string(type) + ":" + data + "\n";
    }
    return text;
}

TEST_F(Unattended, ImportingTheBackupPutsTheRegistryBack) {
    Seed(footprint::kNamedDir, kRunning);
    if (HasFatalFailure()) return;
    const footprint::Snapshot before = footprint::Probe(*fp);
    const std::string services = ServiceKey("QWatchSvc") + ServiceKey("QPfwSvc");
    const tooldriver::DriveResult r = tooldriver::Drive(
        fp->Tool(), "", true,
        Answers({{IDS_CONFIRM_REMOVE_ALL, IDYES}, {IDS_CONFIRM_DELETE_FILES, IDYES}, {IDS_ASK_RESTART, IDNO}}), 120000);
    ASSERT_EQ(r.trouble, "");
    const footprint::Snapshot afterRun = footprint::Probe(*fp);
    // Every backup the run wrote, each named in its report, imported as a person would.
    const std::vector<std::string> backups = Backups();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(Report().find("Registry backup: " + backups[0]), std::string::npos);
    tolmtest::ChildProcess regedit;
    DWORD code = 1;
    ASSERT_TRUE(regedit.Start("C:\\windows\\regedit.exe /s \"" + backups[0] + "\"") && regedit.Wait(60000, &code));
    // The registry footprint as it was: keys, value names, types and data. The
    // values the run wrote where nothing was are not in the backup, and stay.
    footprint::Snapshot want = before;
    int registryItems = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        const footprint::Item& item = fp->Items()[i];
        if (item.kind != footprint::Kind::Key && item.kind != footprint::Kind::Value) continue;
        ++registryItems;
        if (item.owner == footprint::Owner::Run) want[i] = afterRun[i];
    }
    footprint::Snapshot have = footprint::Probe(*fp);
    for (size_t i = 0; i < have.size(); ++i) {
        const footprint::Kind kind = fp->Items()[i].kind;
        if (kind != footprint::Kind::Key && kind != footprint::Kind::Value) have[i] = want[i];  // files, services, processes
    }
    EXPECT_GT(registryItems, 40);
    EXPECT_NE(footprint::Differences(*fp, afterRun, want), "") << "the run removed nothing the backup could put back";
    EXPECT_EQ(footprint::Differences(*fp, have, want), "") << tolmtest::ReadWholeFile(backups[0]).value_or("");
    EXPECT_EQ(ServiceKey("QWatchSvc") + ServiceKey("QPfwSvc"), services) << "the services' keys";
}

}  // namespace
