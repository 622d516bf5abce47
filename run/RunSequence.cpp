#include "RunSequence.h"

#include <cstring>

#include "../cleanup/change/ChangeSession.h"
#include "../cleanup/files/KeptPaths.h"
#include "../cleanup/files/ProductRemoval.h"
#include "../cleanup/report/RunReport.h"
#include "../res/resource.h"
#include "ReportSession.h"

namespace {

CString Loaded(UINT id) {
    CString s;
    s.LoadString(id);
    return s;
}

// How a step's log line ends: 122, 123 or 124.
enum class Suffix { kSuccess, kFailure, kNotDone };

// One run: its mode, its window (seen through the report session), its
// operations, its changes and what it has found so far.
class Run {
public:
    Run(const RunMode& mode, RunHost& window, RunOperations& ops)
        : m_mode(mode), m_ops(ops), m_admin(ops), m_changes(mode.preview ? change::Mode::Preview : change::Mode::Act),
          m_session(mode, window, ops, m_admin, m_changes), m_host(m_session.Host()) {
        std::memset(m_installDirectory, 0, sizeof m_installDirectory);
    }

    // The checks and questions before the first removal; false ends the run.
    bool Begin();
    // One group of steps, its section in the report and its line in the log.
    void Step(UINT id, Suffix (Run::*step)());
    // The restart preparations and the last question.
    void End();
    RunOutcome Outcome();

    Suffix RestoreScriptEngines();
    Suffix RemoveRegistryEntries();
    Suffix RemoveServicesAndProcesses();
    Suffix RemoveInstallerRecords();
    Suffix RemoveFiles();

private:
    bool FindInstallFolder();
    int Ask(UINT id, const char* text, const char* caption, UINT type) { return m_host.Message(id, text, caption, type); }
    // Without a window there is neither progress nor a log box to refresh.
    void Progress(int position) {
        if (m_mode.hasWindow) m_host.SetProgress(position);
    }
    void AppendLine(const CString& line) {
        m_host.AppendLog(line);
        if (m_mode.hasWindow) m_host.RefreshLog();
    }

    const RunMode& m_mode;
    RunOperations& m_ops;
    AdministratorAnswer m_admin;  // asked once, by the report's header or the gate below
    std::unique_ptr<change::RegistryBackup> m_backup;  // outlives the session that points to it
    change::Session m_changes;
    RunReportSession m_session;
    RunHost& m_host;
    CString m_errorCaption, m_questionCaption, m_success, m_failure;
    // The step line is one string, reloaded for each step: an identifier missing
    // from the table would leave the previous step's text in it.
    CString m_line;
    // One buffer for the whole run: the folder removal may append a backslash
    // that the deferred removal then sees. One byte more than the lookups fill.
    char m_installDirectory[InstallDirectoryBufferSize];
    bool m_noDirectory = false;
    bool m_askRestart = false;
    RunOutcome m_outcome;
};

bool Run::Begin() {
    if (m_mode.hasWindow) m_host.DisableRunButton();  // for good: one run per process
    if (m_mode.hasCaptions) {
        m_errorCaption.LoadString(IDS_CAPTION_ERROR);
        m_questionCaption.LoadString(IDS_CAPTION_ALERT);
    }
    if (m_mode.asksFirst) {
        if (m_admin.IsNt() && !m_admin.CanManageServices()) {
            Ask(IDS_NOT_ADMIN, Loaded(IDS_NOT_ADMIN), m_errorCaption, MB_OK);
            m_outcome.end = RunOutcome::kNotAdministrator;
            return false;
        }
        if (Ask(IDS_CONFIRM_REMOVE_ALL, Loaded(IDS_CONFIRM_REMOVE_ALL), m_questionCaption,
                MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return false;
    }

    CString description;
    if (!m_ops.GetOSDescription(description)) {
        m_session.System(description, false);
        if (m_mode.showsProblems) {
            CString text = Loaded(IDS_OS_PREFIX);
            text += "  ";
            text += description;
            text += ", ";
            text += Loaded(IDS_OS_UNSUPPORTED);
            Ask(IDS_OS_PREFIX, text, m_errorCaption, MB_ICONHAND);
        }
        m_host.PostQuit(3);
        m_outcome.end = RunOutcome::kUnsupported;
        return false;
    }
    m_session.System(description, true);
    if (m_ops.IsWindowsNT()) m_ops.EnableProcessPrivileges();  // result not used

    if (!FindInstallFolder()) return false;
    // Judged once here; every step after this reads the judgement.
    char* folder = m_noDirectory ? nullptr : m_installDirectory;
    m_session.InstallFolder(folder, m_ops.JudgeFolders(folder));
    if (!m_mode.preview) {
        m_backup = m_ops.OpenBackup(m_noDirectory ? nullptr : m_installDirectory, m_session.ReportPath());
        m_changes.SetBackup(m_backup.get());
    }
    m_outcome.end = RunOutcome::kCompleted;
    m_success = Loaded(IDS_SUFFIX_SUCCESS);
    m_failure = Loaded(IDS_SUFFIX_FAILURE);
    Progress(0);
    AppendLine(Loaded(IDS_LOG_START));
    return true;
}

bool Run::FindInstallFolder() {
    char* dir = m_installDirectory;
    const bool machineValue = m_ops.ReadAntivirusProgramPath(dir, HKEY_LOCAL_MACHINE) != 0;
    bool found = machineValue || m_ops.ReadAntivirusProgramPath(dir, HKEY_CURRENT_USER) ||
                 m_ops.ReadFirewallProgramPath(dir) || m_ops.ReadUpdatePath(dir);
    // A per-user value can be written by any program of the user's: a run in
    // which no person confirms the folder (109) cleans the folder it names only
    // when the suite is there.
    if (found && !machineValue && !m_mode.trustsUserFolder && !m_ops.HoldsSuiteProgram(dir)) {
        report::Note("Install folder: %s, named only by a per-user value, holds none of the suite's programs: "
                     "taken as no install folder", dir);
        std::memset(m_installDirectory, 0, sizeof m_installDirectory);
        found = false;
    }
    if (found) return true;
    // Started again after a restart: the registry no longer knows the folder
    // that stayed, the argument names it.
    if (m_mode.takesStartFolder && m_ops.ReadStartFolder(dir, sizeof m_installDirectory)) return true;
    if (Ask(IDS_NO_INSTALL_PATH, Loaded(IDS_NO_INSTALL_PATH), m_questionCaption, MB_YESNO) == IDNO) return false;
    m_noDirectory = true;
    return true;
}

void Run::Step(UINT id, Suffix (Run::*step)()) {
    report::Section(Loaded(id));
    const Suffix suffix = (this->*step)();
    m_line.LoadString(id);
    // The Japanese table has no 124: the line then ends with the step message alone.
    m_line += suffix == Suffix::kSuccess ? m_success : suffix == Suffix::kFailure ? m_failure : Loaded(IDS_SUFFIX_NOT_DONE);
    AppendLine(m_line);
    // A file step without a folder is no failure of the removal.
    if (suffix == Suffix::kFailure && !(id == IDS_STEP_FILES && m_noDirectory)) m_outcome.stepFailed = true;
}

Suffix Run::RestoreScriptEngines() {
    const HRESULT engines = m_ops.RestoreScriptEngines();
    Progress(10);
    return engines >= 0 ? Suffix::kSuccess : Suffix::kFailure;
}

Suffix Run::RemoveRegistryEntries() {
    auto deleteKeys = [&](HKEY root) {
        return m_mode.deletesProductKeys ? m_ops.DeleteProductKeys(root) : m_ops.DeleteUpdateKey(root);
    };
    const int machineKeys = deleteKeys(HKEY_LOCAL_MACHINE);
    Progress(20);
    const int userKeys = deleteKeys(HKEY_CURRENT_USER);
    Progress(30);
    const int driverKeys = m_ops.DeleteDriverServiceKeys();
    const int runValues = m_ops.DeleteRunValues();
    Progress(40);
    return machineKeys && userKeys && driverKeys && runValues ? Suffix::kSuccess : Suffix::kFailure;
}

Suffix Run::RemoveServicesAndProcesses() {
    // The Windows 95 family has no services: that half counts as done.
    const int services = m_ops.IsWindowsNT() ? m_ops.RemoveProductServices() : 1;
    Progress(50);
    const int processes = m_ops.TerminateProductProcesses();
    Progress(60);
    return services && processes ? Suffix::kSuccess : Suffix::kFailure;
}

Suffix Run::RemoveInstallerRecords() {
    int lastRecord = 0;
    for (const char* code : kProductCodes) {
        lastRecord = m_ops.RemoveInstallerRecordFolder(code);  // only the third result counts
        char key[260];
        wsprintfA(key, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s", code);
        m_ops.DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);  // result not used
    }
    Progress(70);
    return lastRecord ? Suffix::kSuccess : Suffix::kFailure;
}

Suffix Run::RemoveFiles() {
    if (m_noDirectory) return Suffix::kFailure;
    m_askRestart = true;
    if (m_mode.asksBeforeFiles) {
        CString question;
        question.Format(Loaded(IDS_CONFIRM_DELETE_FILES), m_installDirectory);
        if (Ask(IDS_CONFIRM_DELETE_FILES, question, m_questionCaption, MB_YESNO) == IDNO) return Suffix::kNotDone;
    }
    const bool vista = m_ops.IsWindowsVista() != 0;
    // Rules that could be copied nowhere stay where they are, and the step is no success.
    KeptPaths uncopied;
    const RulesPlace rulesPlace = m_mode.rulesForAllUsers ? RulesPlace::kAllUsers : RulesPlace::kBesideTool;
    const bool rulesSafe = !vista || m_ops.PreserveUserRules(m_installDirectory, &uncopied, rulesPlace) != 0;
    // A folder the removal refused to clean is no success, and nothing is left
    // of it for a second start to finish.
    const bool cleaned = m_ops.RemoveProductFolder(m_installDirectory, sizeof m_installDirectory, &uncopied) != 0;
    if (cleaned && (!vista || m_mode.schedulesOnVista))
        m_ops.ScheduleFolderRemoval(m_installDirectory, m_mode.restartSwitch);
    return cleaned && rulesSafe ? Suffix::kSuccess : Suffix::kFailure;
}

void Run::End() {
    Progress(100);
    report::Section("End");
    if (!m_askRestart) {
        if (m_mode.showsProblems) Ask(IDS_DONE_NO_PATH, Loaded(IDS_DONE_NO_PATH), nullptr, MB_OK);
        return;
    }
    if (m_ops.IsWindowsVista()) m_ops.PrepareVistaCompanion();
    if (Ask(IDS_ASK_RESTART, Loaded(IDS_ASK_RESTART), "", MB_YESNO) == IDYES) m_ops.Restart();
}

RunOutcome Run::Outcome() {
    m_outcome.noFolder = m_noDirectory;
    m_outcome.tally = m_changes.Counts();
    m_outcome.reportPath = m_session.ReportPath();
    m_session.ExitCode(RunExitCode(m_mode, m_outcome));
    return m_outcome;
}

}  // namespace

RunOutcome RunUninstall(const RunMode& mode, RunHost& host, RunOperations& ops) {
    Run run(mode, host, ops);
    if (run.Begin()) {
        run.Step(IDS_STEP_SCRIPT_ENGINES, &Run::RestoreScriptEngines);
        run.Step(IDS_STEP_REGISTRY, &Run::RemoveRegistryEntries);
        run.Step(IDS_STEP_SERVICES, &Run::RemoveServicesAndProcesses);
        run.Step(IDS_STEP_INSTALLER, &Run::RemoveInstallerRecords);
        run.Step(IDS_STEP_FILES, &Run::RemoveFiles);
        run.End();
    }
    return run.Outcome();
}
