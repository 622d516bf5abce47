#include "RunSequence.h"

#include <cstring>

#include "../cleanup/files/KeptPaths.h"
#include "../cleanup/files/ProductRemoval.h"
#include "../cleanup/files/UserRules.h"
#include "../cleanup/processes/DriverServiceKeys.h"
#include "../cleanup/processes/ProcessPrivileges.h"
#include "../cleanup/processes/ProcessTermination.h"
#include "../cleanup/processes/ServiceRemoval.h"
#include "../cleanup/registry/InstallLocation.h"
#include "../cleanup/registry/ProductKeys.h"
#include "../cleanup/registry/ScriptEngines.h"
#include "../framework/AfxApp.h"
#include "../framework/Handles.h"
#include "../res/resource.h"
#include "../sys/OsInfo.h"
#include "ReportFile.h"
#include "ReportSession.h"
#include "RestartPreparation.h"

//                                   asks  problems captions keys  files  window vista
const RunMode kInteractiveRun = {true, true, true, true, true, true, true};
const RunMode kSilentRun = {false, false, false, false, false, false, false};

const char* const kProductCodes[3] = {
    "{2D7B94E5-C1A3-4F06-9B58-6E0D47F31C27}",
    "{9C3F0B71-46E2-4A18-B5D7-3E8F21C06A94}",
    "{5A1E7C30-2B94-4D6F-8E21-07C3B9A4D512}",
};

int CanManageServices() {
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    return manager.Valid() ? 1 : 0;
}

namespace {

DWORD WINAPI SystemGetVersion() { return ::GetVersion(); }
BOOL WINAPI SystemExitWindowsEx(UINT flags, DWORD reason) { return ::ExitWindowsEx(flags, reason); }

// The tool's command-line argument as the application received it.
int ReadStartFolder(char* buffer, size_t capacity) {
    CWinApp* app = AfxGetApp();
    return StartFolderFromArgument(app ? app->m_lpCmdLine : nullptr, buffer, capacity);
}

CString Loaded(UINT id) {
    CString s;
    s.LoadString(id);
    return s;
}

}  // namespace

int StartFolderFromArgument(const char* argument, char* buffer, size_t capacity) {
    if (!argument || !buffer) return 0;
    // The folder stands unquoted after the program, as the restart registers it.
    size_t n = std::strlen(argument);
    while (n > 0 && (argument[n - 1] == ' ' || argument[n - 1] == '\t')) --n;
    char folder[InstallDirectoryBufferSize];
    if (n == 0 || n >= sizeof folder || n >= capacity) return 0;
    std::memcpy(folder, argument, n);
    folder[n] = '\0';
    const DWORD attrs = ::GetFileAttributesA(folder);
    if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    if (IsRefusedProductFolder(folder)) return 0;
    std::memcpy(buffer, folder, n + 1);
    return 1;
}

const RunOperations& SystemRunOperations() {
    static const RunOperations ops = {
        SystemGetVersion,         CanManageServices,         IsWindowsNT,
        IsWindowsVista,           GetOSDescription,          EnableProcessPrivileges,
        ReadAntivirusProgramPath, ReadFirewallProgramPath,   ReadUpdatePath,
        RestoreScriptEngines,     DeleteProductKeys,         DeleteUpdateKey,
        DeleteDriverServiceKeys,  DeleteRunValues,           RemoveProductServices,
        TerminateProductProcesses, RemoveInstallerRecordFolder, DeleteRegistryTree,
        PreserveUserRules,        RemoveProductFolder,       ScheduleFolderRemoval,
        PrepareVistaCompanion,    SystemExitWindowsEx,       ReadStartFolder,
        OpenFileRunReport,        HoldsSuiteProgram,
    };
    return ops;
}

void RunUninstall(const RunMode& mode, RunHost& window, const RunOperations& ops) {
    RunReportSession session(mode, window, ops);  // the report, for the whole run
    RunHost& host = session.Host();
    // Without a window there is neither progress nor a log box to refresh.
    auto progress = [&](int position) {
        if (mode.hasWindow) host.SetProgress(position);
    };
    auto appendLine = [&](const CString& line) {
        host.AppendLog(line);
        if (mode.hasWindow) host.RefreshLog();
    };

    if (mode.hasWindow) host.DisableRunButton();  // for good: one run per process
    CString errorCaption;
    CString questionCaption;
    if (mode.hasCaptions) {
        errorCaption.LoadString(IDS_CAPTION_ERROR);
        questionCaption.LoadString(IDS_CAPTION_ALERT);
    }

    if (mode.asksFirst) {
        // The high bit of GetVersion's result is clear on the NT platform.
        if ((ops.getVersion() & 0x80000000u) == 0 && !ops.canManageServices()) {
            host.Message(Loaded(IDS_NOT_ADMIN), errorCaption, MB_OK);
            return;
        }
        if (host.Message(Loaded(IDS_CONFIRM_REMOVE_ALL), questionCaption, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return;
    }

    CString description;
    if (!ops.getOSDescription(description)) {
        session.System(description, false);
        if (mode.showsProblems) {
            CString text = Loaded(IDS_OS_PREFIX);
            text += "  ";
            text += description;
            text += ", ";
            text += Loaded(IDS_OS_UNSUPPORTED);
            host.Message(text, errorCaption, MB_ICONHAND);
        }
        host.PostQuit(3);
        return;
    }

    session.System(description, true);
    if (ops.isWindowsNT()) ops.enableProcessPrivileges();  // result not used

    // One buffer for the whole run: the folder removal may append a backslash
    // that the deferred removal then sees. One byte more than the lookups fill.
    char installDirectory[InstallDirectoryBufferSize];
    std::memset(installDirectory, 0, sizeof installDirectory);
    bool noDirectory = false;
    const bool machineValue = ops.readAntivirusProgramPath(installDirectory, HKEY_LOCAL_MACHINE) != 0;
    bool found = machineValue || ops.readAntivirusProgramPath(installDirectory, HKEY_CURRENT_USER) ||
                 ops.readFirewallProgramPath(installDirectory) || ops.readUpdatePath(installDirectory);
    // A per-user value can be written by any program of the user's: a run that
    // asks nothing before the files cleans the folder it names only when the
    // suite is there.
    if (found && !machineValue && !mode.asksBeforeFiles &&
        !(ops.holdsSuiteProgram && ops.holdsSuiteProgram(installDirectory))) {
        report::Note("Install folder: %s, named only by a per-user value, holds none of the suite's programs: "
                     "taken as no install folder", installDirectory);
        std::memset(installDirectory, 0, sizeof installDirectory);
        found = false;
    }
    if (!found) {
        // Started again after a restart: the registry no longer knows the folder
        // that stayed, the argument names it. Only where 109 is asked before
        // anything in it is deleted.
        const bool started = mode.asksBeforeFiles && ops.readStartFolder &&
                             ops.readStartFolder(installDirectory, sizeof installDirectory);
        if (!started) {
            if (host.Message(Loaded(IDS_NO_INSTALL_PATH), questionCaption, MB_YESNO) == IDNO) return;
            noDirectory = true;
        }
    }

    session.InstallFolder(noDirectory ? nullptr : installDirectory);
    const CString success = Loaded(IDS_SUFFIX_SUCCESS);
    const CString failure = Loaded(IDS_SUFFIX_FAILURE);
    CString unused = Loaded(IDS_CONFIRM_DELETE);  // loaded as the tool always has, never shown
    (void)unused;
    progress(0);
    appendLine(Loaded(IDS_LOG_START));

    // The step line is one string, reloaded for each step: an identifier missing
    // from the table would leave the previous step's text in it.
    CString line;
    auto stepLine = [&](UINT id, bool ok) {
        line.LoadString(id);
        line += ok ? success : failure;
        appendLine(line);
    };

    report::Section(Loaded(IDS_STEP_SCRIPT_ENGINES));
    const HRESULT engines = ops.restoreScriptEngines();
    progress(10);
    stepLine(IDS_STEP_SCRIPT_ENGINES, engines >= 0);

    report::Section(Loaded(IDS_STEP_REGISTRY));
    int (*deleteKeys)(HKEY) = mode.deletesProductKeys ? ops.deleteProductKeys : ops.deleteUpdateKey;
    const int machineKeys = deleteKeys(HKEY_LOCAL_MACHINE);
    progress(20);
    const int userKeys = deleteKeys(HKEY_CURRENT_USER);
    progress(30);
    const int driverKeys = ops.deleteDriverServiceKeys();
    const int runValues = ops.deleteRunValues();
    progress(40);
    stepLine(IDS_STEP_REGISTRY, machineKeys && userKeys && driverKeys && runValues);

    report::Section(Loaded(IDS_STEP_SERVICES));
    // The Windows 95 family has no services: that half counts as done.
    const int services = ops.isWindowsNT() ? ops.removeProductServices() : 1;
    progress(50);
    const int processes = ops.terminateProductProcesses();
    progress(60);
    stepLine(IDS_STEP_SERVICES, services && processes);

    report::Section(Loaded(IDS_STEP_INSTALLER));
    int lastRecord = 0;
    for (const char* code : kProductCodes) {
        lastRecord = ops.removeInstallerRecordFolder(code);  // only the third result counts
        char key[260];
        wsprintfA(key, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s", code);
        ops.deleteRegistryTree(HKEY_LOCAL_MACHINE, key);  // result not used
    }
    progress(70);
    stepLine(IDS_STEP_INSTALLER, lastRecord != 0);

    report::Section(Loaded(IDS_STEP_FILES));
    line.LoadString(IDS_STEP_FILES);
    bool askRestart = false;
    if (noDirectory) {
        line += failure;
    } else {
        bool removeFiles = true;
        if (mode.asksBeforeFiles) {
            CString question;
            question.Format(Loaded(IDS_CONFIRM_DELETE_FILES), installDirectory);
            removeFiles = host.Message(question, questionCaption, MB_YESNO) != IDNO;
        }
        if (removeFiles) {
            const bool vista = ops.isWindowsVista() != 0;
            // Rules that could be copied nowhere stay where they are, and the
            // step is no success.
            KeptPaths uncopied;
            const bool rulesSafe = !vista || ops.preserveUserRules(installDirectory, &uncopied) != 0;
            // A folder the removal refused to clean is no success, and nothing
            // is left of it for a second start to finish.
            const bool cleaned =
                ops.removeProductFolder(installDirectory, sizeof installDirectory, &uncopied) != 0;
            line += cleaned && rulesSafe ? success : failure;
            if (cleaned && (!vista || mode.schedulesOnVista)) ops.scheduleFolderRemoval(installDirectory);
        } else {
            // The Japanese table has no 124: the line then ends with 116 alone.
            line += Loaded(IDS_SUFFIX_NOT_DONE);
        }
        askRestart = true;
    }
    appendLine(line);
    progress(100);

    report::Section("End");
    if (!askRestart) {
        if (mode.showsProblems) host.Message(Loaded(IDS_DONE_NO_PATH), nullptr, MB_OK);
        return;
    }
    if (ops.isWindowsVista()) ops.prepareVistaCompanion();
    if (host.Message(Loaded(IDS_ASK_RESTART), "", MB_YESNO) == IDYES)
        ops.exitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}
