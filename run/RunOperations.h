// What the run sequence asks of the machine, one method each.
#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "../cleanup/files/UserRules.h"
#include "../framework/AfxString.h"

class KeptPaths;
class RunReport;
namespace change {
class RegistryBackup;
}

// The operations the sequence calls, one method each; SystemOperations makes
// the real calls, tests put an object of their own behind it.
class RunOperations {
public:
    virtual ~RunOperations() = default;
    // The system and the support gate.
    virtual DWORD WindowsVersion() = 0;  // GetVersion: the high bit is clear on NT
    virtual int CanManageServices() = 0;
    virtual int IsWindowsNT() = 0;
    virtual int IsWindowsVista() = 0;
    virtual int GetOSDescription(CString& description) = 0;
    virtual int EnableProcessPrivileges() = 0;
    // Where the suite is.
    virtual int ReadAntivirusProgramPath(char* buffer, HKEY root) = 0;
    virtual int ReadFirewallProgramPath(char* buffer) = 0;
    virtual int ReadUpdatePath(char* buffer) = 0;
    // The folder the tool was started with (see StartFolderFromArgument).
    virtual int ReadStartFolder(char* buffer, size_t capacity) = 0;
    // 1 when one of the suite's programs lies directly in the folder.
    virtual int HoldsSuiteProgram(const char* folder) = 0;
    // Judges the install folder the run found (its buffer; null: none) once for
    // the whole run, and decides with it where the tool's own files may go: the
    // report, the backup, the rule copies and the folder removal read that
    // decision. Null when the removal may clean the folder (or there is none),
    // else why it refuses it.
    virtual const char* JudgeFolders(char* installDirectory) = 0;
    // The removal.
    virtual HRESULT RestoreScriptEngines() = 0;
    virtual int DeleteProductKeys(HKEY root) = 0;
    virtual int DeleteUpdateKey(HKEY root) = 0;
    virtual int DeleteDriverServiceKeys() = 0;
    virtual int DeleteRunValues() = 0;
    virtual int RemoveProductServices() = 0;
    virtual int TerminateProductProcesses() = 0;
    virtual int RemoveInstallerRecordFolder(const char* productCode) = 0;
    virtual LONG DeleteRegistryTree(HKEY root, const char* keyPath) = 0;
    // 0 when a rule item could be copied nowhere; it is added to uncopied.
    virtual int PreserveUserRules(const char* installDirectory, KeptPaths* uncopied, RulesPlace place) = 0;
    // Leaves what keep covers (may be null).
    virtual int RemoveProductFolder(char* installDirectory, size_t capacity, const KeptPaths* keep) = 0;
    virtual int ScheduleFolderRemoval(const char* installDirectory, const char* startSwitch) = 0;
    virtual int PrepareVistaCompanion() = 0;
    // ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0), through the change layer.
    virtual BOOL Restart() = 0;
    // The run's report; null runs without one.
    virtual std::unique_ptr<RunReport> OpenReport() = 0;
    // The registry backup of a real run, beside the report (reportPath, "" when
    // it has none) and never in installDirectory (null: none); null runs without.
    virtual std::unique_ptr<change::RegistryBackup> OpenBackup(const char* installDirectory,
                                                               const std::string& reportPath) = 0;
};

// Whether the run has administrator rights, asked of the operations at most
// once a run, where it is first needed (the report's header or the run's gate).
class AdministratorAnswer {
public:
    explicit AdministratorAnswer(RunOperations& ops) : m_ops(ops) {}
    // The NT family: the high bit of GetVersion's result is clear.
    bool IsNt() {
        if (m_nt < 0) m_nt = (m_ops.WindowsVersion() & 0x80000000u) == 0 ? 1 : 0;
        return m_nt != 0;
    }
    bool CanManageServices() {
        if (m_admin < 0) m_admin = m_ops.CanManageServices() ? 1 : 0;
        return m_admin != 0;
    }

private:
    RunOperations& m_ops;
    int m_nt = -1, m_admin = -1;  // -1: not asked yet
};
