#include "SystemChanges.h"

#include <shlobj.h>

#include <string>

#include "../../framework/Handles.h"
#include "../../sys/OwnProgram.h"
#include "../report/RunReport.h"
#include "ChangeSession.h"

namespace change {

namespace {


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

}  // namespace

BOOL StopService(SC_HANDLE service, const char* name, SERVICE_STATUS* status) {
    BOOL accepted;
    if (Previewing()) {
        accepted = ::QueryServiceStatus(service, status) && status->dwCurrentState != SERVICE_STOPPED;
        if (accepted) status->dwCurrentState = SERVICE_STOPPED;
        else ::SetLastError(ERROR_SERVICE_NOT_ACTIVE);
    } else {
        accepted = ::ControlService(service, SERVICE_CONTROL_STOP, status);
    }
    KeepLastError keep;
    if (accepted)
        report::Note(Previewing() ? "  service %s: would be asked to stop" : "  service %s: asked to stop", name);
    else
        report::Note("  service %s: stop not accepted (error %lu)", name, keep.Error());
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
        report::Note("  process %s (id %lu): would be ended", name, processId);
        return true;
    }
    if (!calls.terminateProcess(process, 0)) {
        Count(&Tally::refused);
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
    if (made) Count(&Tally::written);
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
