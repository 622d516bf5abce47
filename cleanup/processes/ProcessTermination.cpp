#include "ProcessTermination.h"

#include <cstring>

#include "Handles.h"
#include "../files/NameTables.h"
#include "../paths/PathText.h"
#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../change/ChangeSession.h"
#include "../change/SystemChanges.h"
#include "../report/RunReport.h"

namespace {

// Full process access as NT 5 defines it; the larger mask of newer headers is
// refused by systems before Vista.
const DWORD kProcessAllAccessNt5 = 0x1F0FFF;
// How long a terminated process is given to end.
const DWORD kEndWaitMs = 200;

// The part of path after its last backslash, or all of it. A double-byte
// character's trail byte may be 0x5C: it is no backslash.
const char* LastComponent(const char* path) {
    const char* slash = pathtext::LastBackslash(path);
    return slash ? slash + 1 : path;
}

// Ends one matched process; true when it was seen to end within the wait.
bool EndProcess(const ProcessCalls& calls, DWORD processId, const char* name) {
    KernelHandle process(calls.openProcess(kProcessAllAccessNt5, FALSE, processId));
    if (!process) {
        report::Note("  process %s (id %lu): not ended, cannot be opened (error %lu)", name, processId, ::GetLastError());
        change::Refuse(change::ProcessItem(processId));
        return false;
    }
    return change::EndProcess({calls.terminateProcess, calls.waitForSingleObject}, process.Get(), name, processId,
                              kEndWaitMs);
}

}  // namespace

// NT 4 has no process snapshot: looked up at run time, so that the tool still
// starts there (and says the system is not supported).
const ProcessCalls& SystemProcessCalls() {
    static const ProcessCalls calls = {
        SystemFunctionAs<decltype(ProcessCalls::createSnapshot)>("kernel32.dll", "CreateToolhelp32Snapshot"),
        SystemFunctionAs<decltype(ProcessCalls::processFirst)>("kernel32.dll", "Process32First"),
        SystemFunctionAs<decltype(ProcessCalls::processNext)>("kernel32.dll", "Process32Next"),
        ::OpenProcess, ::TerminateProcess, ::WaitForSingleObject, IsWindowsNT};
    return calls;
}

int TerminateProductProcessesWith(const ProcessCalls& calls) {
    // Without the snapshot functions the process list cannot be taken.
    if (!calls.createSnapshot || !calls.processFirst || !calls.processNext) return 0;
    SnapshotHandle snapshot(calls.createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        report::Note("  the process list cannot be taken (error %lu)", ::GetLastError());
        return 0;
    }

    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    if (!calls.processFirst(snapshot.Get(), &entry)) return 0;

    char name[MAX_PATH] = {};
    int pending = 0;
    do {
        // NT reports bare names; the Windows 95 family reports full paths. The
        // entry's text is copied bounded, so an unterminated one cannot overrun.
        entry.szExeFile[MAX_PATH - 1] = '\0';
        const char* exe = calls.isWindowsNT() ? entry.szExeFile : LastComponent(entry.szExeFile);
        lstrcpynA(name, exe, sizeof name);

        // Every entry is compared; a name listed twice would be handled twice.
        for (const char* const* row = ProductProcessNames; **row; ++row) {
            if (lstrcmpiA(name, *row) != 0) continue;
            ++pending;
            if (EndProcess(calls, entry.th32ProcessID, name)) --pending;
        }
        std::memset(name, 0, sizeof name);
    } while (calls.processNext(snapshot.Get(), &entry));

    return pending == 0 ? 1 : 0;
}

int TerminateProductProcesses() { return TerminateProductProcessesWith(SystemProcessCalls()); }
