#include "SystemChanges.h"

#include <shlobj.h>

#include <string>

#include "../../framework/Handles.h"
#include "../../sys/OwnProgram.h"
#include "../../sys/ShellCalls.h"
#include "../report/RunReport.h"
#include "ChangeOutcome.h"
#include "ChangeSession.h"

namespace change {

namespace {

// True when a service that depends on service runs (the preview's question;
// the function is looked up, as the Windows 95 family has no services).
bool HasActiveDependents(SC_HANDLE service) {
    using Enum = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPENUM_SERVICE_STATUSA, DWORD, LPDWORD, LPDWORD);
    static const Enum enumDependents = SystemFunctionAs<Enum>("advapi32.dll", "EnumDependentServicesA");
    DWORD needed = 0, count = 0;
    if (!enumDependents) return false;
    return !enumDependents(service, SERVICE_ACTIVE, nullptr, 0, &needed, &count) && ::GetLastError() == ERROR_MORE_DATA;
}

int WriteShortcut(const char* targetPath, const char* shortcutPath) {
    ComInit com;  // whatever it returns, the object may still be created
    ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid())))
        return 0;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return 0;
    if (FAILED(link->SetPath(targetPath))) return 0;
    char tool[260];
    if (!OwnProgramPath(tool, sizeof tool) || FAILED(link->SetIconLocation(tool, 0))) return 0;
    WCHAR widePath[520];
    // A path that cannot be converted whole is not saved under a cut name.
    if (::MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, widePath, 520) == 0) return 0;
    file->Save(widePath, TRUE);  // its result is not looked at
    return 1;
}

// A preview's stop request, answered as the service manager would answer it:
// a stopped service is not active, a pending one cannot take a control now,
// one that does not accept a stop refuses it, and so does one whose
// dependents run. Accepted, the service answers as stopped.
BOOL PreviewStop(SC_HANDLE service, SERVICE_STATUS* status) {
    if (!::QueryServiceStatus(service, status)) return FALSE;
    DWORD error = NO_ERROR;
    if (status->dwCurrentState == SERVICE_STOPPED)
        error = ERROR_SERVICE_NOT_ACTIVE;
    else if (status->dwCurrentState != SERVICE_RUNNING && status->dwCurrentState != SERVICE_PAUSED)
        error = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    else if (!(status->dwControlsAccepted & SERVICE_ACCEPT_STOP))
        error = ERROR_INVALID_SERVICE_CONTROL;
    else if (HasActiveDependents(service))
        error = ERROR_DEPENDENT_SERVICES_RUNNING;
    if (error != NO_ERROR) {
        ::SetLastError(error);
        return FALSE;
    }
    status->dwCurrentState = SERVICE_STOPPED;
    return TRUE;
}

// The outcomes of a stop request, of a service's deletion (kMarked: it was
// still running), of a process's end (kStillRunning: terminated, not seen to
// end) and of a shortcut's (%1 its target).
const DWORD kMarked = OwnCode(1), kStillRunning = OwnCode(2), kNotMade = OwnCode(3);
const Outcome kStop[] = {
    {0, "asked to stop", kWouldBe},
    {kOtherCode, "stop not accepted (error %e)", 0},
};
const Outcome kServiceDeletion[] = {
    {0, "deleted", kRemoved | kWouldBe},
    {kMarked, "marked for deletion, completed once it has stopped", kRemoved | kPending},
    {kOtherCode, "not deleted (error %e)", kRefused | kLeaves},
};
const Outcome kEnd[] = {
    {0, "ended", kRemoved | kGone | kWouldBe},  // its files are free for the file step
    {kStillRunning, "terminated, still running after the wait", kPending},
    {kOtherCode, "not ended, termination refused (error %e)", kRefused | kLeaves},
};
const Outcome kShortcut[] = {
    {0, "written, to %1", kWritten | kWouldBe},
    {kOtherCode, "not written (to %1)", kRefused | kFailed},
};

}  // namespace

BOOL StopService(SC_HANDLE service, const char* name, SERVICE_STATUS* status) {
    const DWORD code = Carry({std::string("service ") + name, "", kStop},
                             [&] { return Code(::ControlService(service, SERVICE_CONTROL_STOP, status)); },
                             [&] { return Code(PreviewStop(service, status)); });
    // Refused, the service is as it was: the caller judges it by its state.
    if (code) {
        KeepLastError keep;
        if (!::QueryServiceStatus(service, status)) status->dwCurrentState = 0;
    }
    return !code;
}

BOOL DeleteService(SC_HANDLE service, const char* name, bool stillRunning) {
    const DWORD deleted = stillRunning ? kMarked : 0;
    const std::string key = std::string("SYSTEM\\CurrentControlSet\\Services\\") + name;
    const DWORD code = Carry(
        {std::string("service ") + name, ServiceItem(name), kServiceDeletion},
        [&] { return ::DeleteService(service) ? deleted : ::GetLastError(); }, [&] { return deleted; },
        [&](SaveObstacle&) {
            if (RegistryBackup* backup = Backup()) backup->SaveTree(HKEY_LOCAL_MACHINE, key.c_str());
            return true;  // the deletion goes on all the same
        });
    return code == deleted;
}

bool EndProcess(const EndCalls& calls, HANDLE process, const char* name, DWORD processId, DWORD waitMs) {
    char subject[300];
    wsprintfA(subject, "process %.260s (id %lu)", name, processId);
    const Call end = [&]() -> DWORD {
        if (!calls.terminateProcess(process, 0)) return ::GetLastError();
        return calls.waitForSingleObject(process, waitMs) == WAIT_OBJECT_0 ? 0 : kStillRunning;
    };
    return !Carry({subject, ProcessItem(processId), kEnd}, end, nullptr);
}

int MakeShortcut(const char* targetPath, const char* shortcutPath) {
    if (!targetPath || !shortcutPath) return 0;
    const Change change = {std::string("shortcut ") + shortcutPath, "", kShortcut, targetPath};
    return !Carry(change, [&] { return WriteShortcut(targetPath, shortcutPath) ? 0 : kNotMade; }, nullptr);
}

BOOL Restart(BOOL(WINAPI* exitWindowsEx)(UINT flags, DWORD reason)) {
    if (Previewing()) {
        report::Note("  the machine would be restarted now");
        return TRUE;
    }
    report::Note("  the machine is restarted now");
    report::Flush();
    return exitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}

}  // namespace change
