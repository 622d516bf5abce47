#include "SystemChanges.h"

#include <shlobj.h>

#include <string>

#include "../../framework/Handles.h"
#include "../../sys/OwnProgram.h"
#include "../../sys/ShellCalls.h"
#include "../report/RunReport.h"
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

}  // namespace

BOOL StopService(SC_HANDLE service, const char* name, SERVICE_STATUS* status) {
    const BOOL accepted =
        Previewing() ? PreviewStop(service, status) : ::ControlService(service, SERVICE_CONTROL_STOP, status);
    KeepLastError keep;
    if (accepted) {
        report::Note(Previewing() ? "  service %s: would be asked to stop" : "  service %s: asked to stop", name);
    } else {
        report::Note("  service %s: stop not accepted (error %lu)", name, keep.Error());
        // Refused, the service is as it was: the caller judges it by its state.
        if (!::QueryServiceStatus(service, status)) status->dwCurrentState = 0;
    }
    return accepted;
}

BOOL DeleteService(SC_HANDLE service, const char* name, bool stillRunning) {
    if (Session* session = Current()) {
        if (RegistryBackup* backup = session->Backup())
            backup->SaveTree(HKEY_LOCAL_MACHINE, (std::string("SYSTEM\\CurrentControlSet\\Services\\") + name).c_str());
    }
    const bool preview = Previewing();
    const BOOL deleted = preview ? TRUE : ::DeleteService(service);
    KeepLastError keep;
    if (!deleted) {
        Count(&Tally::refused);
        Refuse(ServiceItem(name));
        report::Note("  service %s: not deleted (error %lu)", name, keep.Error());
    } else if (stillRunning) {
        Count(&Tally::removed);
        Count(&Tally::pending);
        report::Note("  service %s: marked for deletion, completed once it has stopped", name);
    } else {
        Count(&Tally::removed);
        report::Note(preview ? "  service %s: would be deleted" : "  service %s: deleted", name);
    }
    return deleted;
}

bool EndProcess(const EndCalls& calls, HANDLE process, const char* name, DWORD processId, DWORD waitMs) {
    if (Previewing()) {
        Count(&Tally::removed);
        Current()->Forget(ProcessItem(processId));  // its files are free for the file step
        report::Note("  process %s (id %lu): would be ended", name, processId);
        return true;
    }
    if (!calls.terminateProcess(process, 0)) {
        Count(&Tally::refused);
        Refuse(ProcessItem(processId));
        report::Note("  process %s (id %lu): not ended, termination refused (error %lu)", name, processId,
                     ::GetLastError());
        return false;
    }
    const bool ended = calls.waitForSingleObject(process, waitMs) == WAIT_OBJECT_0;
    Count(ended ? &Tally::removed : &Tally::pending);
    report::Note(ended ? "  process %s (id %lu): ended" : "  process %s (id %lu): terminated, still running after the wait",
                 name, processId);
    return ended;
}

int MakeShortcut(const char* targetPath, const char* shortcutPath) {
    if (!targetPath || !shortcutPath) return 0;
    const bool preview = Previewing();
    const int made = preview ? 1 : WriteShortcut(targetPath, shortcutPath);
    if (made) {
        Count(&Tally::written);
    } else {
        Count(&Tally::refused);
        Count(&Tally::failed);
    }
    report::Note(made ? (preview ? "  shortcut %s: would be written, to %s" : "  shortcut %s: written, to %s")
                      : "  shortcut %s: not written (to %s)",
                 shortcutPath, targetPath);
    return made;
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
