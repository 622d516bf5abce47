// Runs a dialog modally on the calling thread while a watcher thread looks at it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace tolmtest {

// Calls runModal() (which shows a dialog on this thread and returns when it ends)
// while inspect(dialog) runs on a second thread once the dialog is visible. If
// the dialog is still open when inspect returns, it is cancelled. Returns what
// runModal returned; dialogSeen tells whether inspect ran.
INT_PTR DriveDialog(const std::function<INT_PTR()>& runModal, const std::function<void(HWND)>& inspect,
                    bool* dialogSeen = nullptr);

// A top-level dialog of thread tid other than `except`, waiting up to timeoutMs.
HWND WaitForOtherDialog(DWORD tid, HWND except, DWORD timeoutMs);

// A control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

}  // namespace tolmtest
