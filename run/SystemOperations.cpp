// The real operations behind the run sequence.
#include <cstring>

#include "../cleanup/backup/RegistryBackupFile.h"
#include "../cleanup/change/SystemChanges.h"
#include "../cleanup/paths/PathText.h"
#include "../cleanup/files/ProductRemoval.h"
#include "../cleanup/files/UserRules.h"
#include "../cleanup/processes/DriverServiceKeys.h"
#include "../cleanup/processes/ProcessPrivileges.h"
#include "../cleanup/processes/ProcessTermination.h"
#include "../cleanup/processes/ServiceRemoval.h"
#include "../cleanup/registry/InstallLocation.h"
#include "../cleanup/registry/ProductKeys.h"
#include "../cleanup/registry/ScriptEngines.h"
#include "../framework/Handles.h"
#include "../sys/OsInfo.h"
#include "AdminFolder.h"
#include "ReportFile.h"
#include "RestartPreparation.h"
#include "RunSequence.h"
#include "SystemOperations.h"

const char* const kProductCodes[3] = {
    "{2D7B94E5-C1A3-4F06-9B58-6E0D47F31C27}",
    "{9C3F0B71-46E2-4A18-B5D7-3E8F21C06A94}",
    "{5A1E7C30-2B94-4D6F-8E21-07C3B9A4D512}",
};

int CanManageServices() {
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    return manager.Valid() ? 1 : 0;
}

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

namespace {

BOOL WINAPI SystemExitWindowsEx(UINT flags, DWORD reason) { return ::ExitWindowsEx(flags, reason); }

}  // namespace

DWORD SystemOperations::WindowsVersion() { return ::GetVersion(); }
int SystemOperations::CanManageServices() { return ::CanManageServices(); }
int SystemOperations::IsWindowsNT() { return ::IsWindowsNT(); }
int SystemOperations::IsWindowsVista() { return ::IsWindowsVista(); }
int SystemOperations::GetOSDescription(CString& description) { return ::GetOSDescription(description); }
int SystemOperations::EnableProcessPrivileges() { return ::EnableProcessPrivileges(); }
int SystemOperations::ReadAntivirusProgramPath(char* buffer, HKEY root) { return ::ReadAntivirusProgramPath(buffer, root); }
int SystemOperations::ReadFirewallProgramPath(char* buffer) { return ::ReadFirewallProgramPath(buffer); }
int SystemOperations::ReadUpdatePath(char* buffer) { return ::ReadUpdatePath(buffer); }
int SystemOperations::ReadStartFolder(char* buffer, size_t capacity) {
    return StartFolderFromArgument(m_startArgument.c_str(), buffer, capacity);
}
int SystemOperations::HoldsSuiteProgram(const char* folder) { return ::HoldsSuiteProgram(folder); }
HRESULT SystemOperations::RestoreScriptEngines() { return ::RestoreScriptEngines(); }
int SystemOperations::DeleteProductKeys(HKEY root) { return ::DeleteProductKeys(root); }
int SystemOperations::DeleteUpdateKey(HKEY root) { return ::DeleteUpdateKey(root); }
int SystemOperations::DeleteDriverServiceKeys() { return ::DeleteDriverServiceKeys(); }
int SystemOperations::DeleteRunValues() { return ::DeleteRunValues(); }
int SystemOperations::RemoveProductServices() { return ::RemoveProductServices(); }
int SystemOperations::TerminateProductProcesses() { return ::TerminateProductProcesses(); }
int SystemOperations::RemoveInstallerRecordFolder(const char* productCode) {
    return ::RemoveInstallerRecordFolder(productCode);
}
LONG SystemOperations::DeleteRegistryTree(HKEY root, const char* keyPath) { return ::DeleteRegistryTree(root, keyPath); }
const char* SystemOperations::JudgeFolders(char* installDirectory) {
    m_folders = DecideRunFolders(JudgeInstallFolder(installDirectory));
    return m_folders.install.refused && installDirectory && *installDirectory ? m_folders.install.refused : nullptr;
}
const RunFolders& SystemOperations::Folders(char* installDirectory) {
    if (!m_folders.decided || m_folders.install.path != installDirectory) JudgeFolders(installDirectory);
    return m_folders;
}
const RunFolders& SystemOperations::Folders(const char* installDirectory) {
    if (m_folders.decided && m_folders.install.path == installDirectory) return m_folders;
    m_folderCopy = installDirectory ? installDirectory : "";
    return Folders(installDirectory ? &m_folderCopy[0] : nullptr);
}
int SystemOperations::PreserveUserRules(const char* installDirectory, KeptPaths* uncopied, RulesPlace place) {
    const RunFolders& run = Folders(installDirectory);
    const char* beside = run.rulesBesideTool.empty() ? nullptr : run.rulesBesideTool.c_str();
    return ::PreserveUserRules(run.install, beside, uncopied, place);
}
int SystemOperations::RemoveProductFolder(char* installDirectory, size_t capacity, const KeptPaths* keep) {
    return installDirectory ? ::RemoveProductFolder(Folders(installDirectory).install, capacity, keep) : 0;
}
int SystemOperations::ScheduleFolderRemoval(const char* installDirectory, const char* startSwitch) {
    return ::ScheduleFolderRemoval(installDirectory, startSwitch);
}
int SystemOperations::PrepareVistaCompanion() { return ::PrepareVistaCompanion(); }
BOOL SystemOperations::Restart() { return change::Restart(SystemExitWindowsEx); }
std::unique_ptr<RunReport> SystemOperations::OpenReport() {
    return OpenFileRunReport(m_logNamed ? m_logFile.c_str() : nullptr, &m_folders);
}

std::unique_ptr<change::RegistryBackup> SystemOperations::OpenBackup(const char* installDirectory,
                                                                     const std::string& reportPath) {
    std::vector<std::string> folders;
    const char* last = pathtext::LastBackslash(reportPath.c_str());
    const std::string reportFolder = last ? reportPath.substr(0, last - reportPath.c_str()) : "";
    const bool whereNamed = m_logNamed && !reportPath.empty() &&
                            pathtext::EqualNoCase(reportPath.c_str(), NamedReportFile(m_logFile).c_str());
    if (whereNamed) {
        // The administrator chose the report's place ("/log"), where a
        // deployment collects what a run leaves: the backup goes beside it.
        folders.push_back(reportFolder);
    } else {
        // On the NT family in the administrators' folder, where no program of
        // the user's can rewrite it before it is imported; the line naming it
        // is kept there as well, beside the report's.
        std::string why;
        const std::string& admin = adminfolder::Path(&why);
        if (!admin.empty()) {
            folders.push_back(admin);
            const bool sameFolder = pathtext::EqualNoCase(reportFolder.c_str(), admin.c_str());
            return std::unique_ptr<change::RegistryBackup>(
                new RegistryBackupFile(folders, [admin, sameFolder](const std::string& line) {
                    if (!sameFolder) AppendOwnReportLine(admin, line);
                }));
        }
        if (::IsWindowsNT()) report::Note("Administrators' folder: none, %s", why.c_str());
        // Beside the report in its usual place.
        if (!reportFolder.empty()) folders.push_back(reportFolder);
    }
    // Then where the report could have gone.
    for (const std::string& folder : Folders(installDirectory).ownFiles) folders.push_back(folder);
    return std::unique_ptr<change::RegistryBackup>(new RegistryBackupFile(folders));
}
