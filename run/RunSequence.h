// The fixed sequence of removal steps that both uninstall runs follow, with what
// differs between the interactive and the silent run stated once in RunMode.
#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>

#include "../framework/AfxString.h"

class KeptPaths;
class RunReport;

// What the interactive run does and the silent run does not.
struct RunMode {
    bool asksFirst;         // administrator test on NT and the start question (102)
    bool showsProblems;     // the unsupported-system message and the final 110
    bool hasCaptions;       // questions captioned 103 (else the empty caption)
    bool deletesProductKeys;  // DeleteProductKeys; otherwise DeleteUpdateKey only
    bool asksBeforeFiles;   // question 109 before the file step
    bool hasWindow;         // Run button disabled, log box refreshes, progress positions
    bool schedulesOnVista;  // ScheduleFolderRemoval also on version 6.0
};
// The Run button's run and the "-s" run.
extern const RunMode kInteractiveRun;
extern const RunMode kSilentRun;

// The operations the sequence calls; tests substitute some of them.
struct RunOperations {
    DWORD(WINAPI* getVersion)();
    int (*canManageServices)();  // 1 when the service manager opens with full access
    int (*isWindowsNT)();
    int (*isWindowsVista)();
    int (*getOSDescription)(CString& description);
    int (*enableProcessPrivileges)();
    int (*readAntivirusProgramPath)(char* buffer, HKEY root);
    int (*readFirewallProgramPath)(char* buffer);
    int (*readUpdatePath)(char* buffer);
    HRESULT (*restoreScriptEngines)();
    int (*deleteProductKeys)(HKEY root);
    int (*deleteUpdateKey)(HKEY root);
    int (*deleteDriverServiceKeys)();
    int (*deleteRunValues)();
    int (*removeProductServices)();
    int (*terminateProductProcesses)();
    int (*removeInstallerRecordFolder)(const char* productCode);
    LONG (*deleteRegistryTree)(HKEY root, const char* keyPath);
    // 0 when a rule item could be copied nowhere; it is added to uncopied.
    int (*preserveUserRules)(const char* installDirectory, KeptPaths* uncopied);
    // Leaves what keep covers (may be null).
    int (*removeProductFolder)(char* installDirectory, size_t capacity, const KeptPaths* keep);
    int (*scheduleFolderRemoval)(const char* installDirectory);
    int (*prepareVistaCompanion)();
    BOOL(WINAPI* exitWindowsEx)(UINT flags, DWORD reason);
    // The folder the tool was started with (see StartFolderFromArgument); may be null.
    int (*readStartFolder)(char* buffer, size_t capacity);
    // The run's report; null (or a null result) runs without one.
    std::unique_ptr<RunReport> (*openReport)();
    // 1 when one of the suite's programs lies directly in the folder.
    int (*holdsSuiteProgram)(const char* folder);
};
// Copies argument into buffer when it is an existing, absolute folder that the
// folder removal would clean: how the tool is started again after a restart,
// with the folder it could not remove. 1 then; 0, buffer untouched, otherwise.
int StartFolderFromArgument(const char* argument, char* buffer, size_t capacity);

// The real operations.
const RunOperations& SystemRunOperations();
// 1 when OpenSCManagerA with SC_MANAGER_ALL_ACCESS succeeds (the handle is closed at once).
int CanManageServices();

// What the sequence does to the window that hosts it.
class RunHost {
public:
    virtual ~RunHost() = default;
    // A message box; caption null means the framework's default title. Returns the answer.
    virtual int Message(const char* text, const char* caption, UINT type) = 0;
    virtual void AppendLog(const CString& text) = 0;
    virtual void RefreshLog() = 0;
    virtual void SetProgress(int position) = 0;
    virtual void DisableRunButton() = 0;
    virtual void PostQuit(int code) = 0;
};

// The installer product codes, in the order they are processed.
extern const char* const kProductCodes[3];

// Runs the whole sequence in mode on host through ops; returns when the run ends.
void RunUninstall(const RunMode& mode, RunHost& host, const RunOperations& ops);
