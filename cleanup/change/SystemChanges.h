// Changes to services, processes, shortcuts and the running system, each
// carried out as ChangeOutcome.h says.
#pragma once
#include <windows.h>

namespace change {

// ControlService with SERVICE_CONTROL_STOP; status receives the service's
// status. In a preview nothing is sent: a service that is not stopped answers
// as if it accepted and stopped; a stopped one refuses as Windows does
// (ERROR_SERVICE_NOT_ACTIVE).
BOOL StopService(SC_HANDLE service, const char* name, SERVICE_STATUS* status);
// DeleteService, the service's key saved to the backup first. stillRunning
// says that it did not stop: it is then only marked for deletion, which the
// system completes once it stops (left until the restart). TRUE in a preview.
BOOL DeleteService(SC_HANDLE service, const char* name, bool stillRunning);

// The two calls that end a process (tests substitute them).
struct EndCalls {
    BOOL(WINAPI* terminateProcess)(HANDLE process, UINT exitCode);
    DWORD(WINAPI* waitForSingleObject)(HANDLE handle, DWORD milliseconds);
};
// Terminates the open process and waits up to waitMs for it to end; true when
// it was seen to end. In a preview nothing is done and the answer is true.
bool EndProcess(const EndCalls& calls, HANDLE process, const char* name, DWORD processId, DWORD waitMs);

// Writes a shell link at shortcutPath that starts targetPath, with the tool's
// own icon. 1 when the link was set up and its save attempted (the save's result
// is not looked at); 0 when an earlier step failed. In a preview 1.
int MakeShortcut(const char* targetPath, const char* shortcutPath);

// Restarts the machine at once with exitWindowsEx(EWX_REBOOT | EWX_FORCE, 0).
// In a preview nothing happens and TRUE is returned.
BOOL Restart(BOOL(WINAPI* exitWindowsEx)(UINT flags, DWORD reason));

}  // namespace change
