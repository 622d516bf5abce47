// The fixed sequence of removal steps that every run follows: what it asks of
// the machine (RunOperations) and of the window or its stand-in (RunHost).
#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "../cleanup/files/UserRules.h"
#include "../framework/AfxString.h"
#include "RunMode.h"

class KeptPaths;
class RunReport;

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

// The real operations; startArgument is the command-line text that may name a
// folder (the interactive run's arguments, or what follows "/quiet"); logFile
// what "/log" named for the report (null: not given).
class SystemOperations : public RunOperations {
public:
    explicit SystemOperations(const char* startArgument = nullptr, const char* logFile = nullptr)
        : m_startArgument(startArgument ? startArgument : ""), m_logNamed(logFile != nullptr),
          m_logFile(logFile ? logFile : "") {}
    DWORD WindowsVersion() override;
    int CanManageServices() override;
    int IsWindowsNT() override;
    int IsWindowsVista() override;
    int GetOSDescription(CString& description) override;
    int EnableProcessPrivileges() override;
    int ReadAntivirusProgramPath(char* buffer, HKEY root) override;
    int ReadFirewallProgramPath(char* buffer) override;
    int ReadUpdatePath(char* buffer) override;
    int ReadStartFolder(char* buffer, size_t capacity) override;
    int HoldsSuiteProgram(const char* folder) override;
    HRESULT RestoreScriptEngines() override;
    int DeleteProductKeys(HKEY root) override;
    int DeleteUpdateKey(HKEY root) override;
    int DeleteDriverServiceKeys() override;
    int DeleteRunValues() override;
    int RemoveProductServices() override;
    int TerminateProductProcesses() override;
    int RemoveInstallerRecordFolder(const char* productCode) override;
    LONG DeleteRegistryTree(HKEY root, const char* keyPath) override;
    int PreserveUserRules(const char* installDirectory, KeptPaths* uncopied, RulesPlace place) override;
    int RemoveProductFolder(char* installDirectory, size_t capacity, const KeptPaths* keep) override;
    int ScheduleFolderRemoval(const char* installDirectory, const char* startSwitch) override;
    int PrepareVistaCompanion() override;
    BOOL Restart() override;
    std::unique_ptr<RunReport> OpenReport() override;
    std::unique_ptr<change::RegistryBackup> OpenBackup(const char* installDirectory,
                                                       const std::string& reportPath) override;

private:
    std::string m_startArgument;
    bool m_logNamed;
    std::string m_logFile;
};

// Copies argument into buffer when it is an existing, absolute folder that the
// folder removal would clean: how the tool is started again after a restart,
// with the folder it could not remove. 1 then; 0, buffer untouched, otherwise.
int StartFolderFromArgument(const char* argument, char* buffer, size_t capacity);
// 1 when OpenSCManagerA with SC_MANAGER_ALL_ACCESS succeeds (the handle is closed at once).
int CanManageServices();

// What the sequence does to the window that hosts it.
class RunHost {
public:
    virtual ~RunHost() = default;
    // A message box: id is the string of its text (the first, for a text made
    // of several); caption null means the framework's default title. The answer.
    virtual int Message(UINT id, const char* text, const char* caption, UINT type) = 0;
    virtual void AppendLog(const CString& text) = 0;
    virtual void RefreshLog() = 0;
    virtual void SetProgress(int position) = 0;
    virtual void DisableRunButton() = 0;
    virtual void PostQuit(int code) = 0;
};

// The installer product codes, in the order they are processed.
extern const char* const kProductCodes[3];

// Runs the whole sequence in mode on host through ops; returns when the run ends.
RunOutcome RunUninstall(const RunMode& mode, RunHost& host, RunOperations& ops);
