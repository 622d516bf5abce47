// The real operations behind the run sequence, and two of their answers that
// are also asked on their own.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

#include "RunFolders.h"
#include "RunOperations.h"

// The real operations; startArgument is the command-line text that may name a
// folder (the interactive run's arguments, or what follows "/quiet").
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
    const char* JudgeFolders(char* installDirectory) override;
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
    // The run's decision for installDirectory: judged once; judged now when
    // asked without it (or of another buffer), on a copy for a const one.
    const RunFolders& Folders(char* installDirectory);
    const RunFolders& Folders(const char* installDirectory);

    RunFolders m_folders;
    std::string m_folderCopy;
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
