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

// A visible top-level dialog of thread tid other than `except`, waiting up to
// timeoutMs; with unownedOnly, only one that no window owns (not a message box).
HWND WaitForOtherDialog(DWORD tid, HWND except, DWORD timeoutMs, bool unownedOnly = false);

// While it lives, a thread declines every message box that thread tid shows
// (No, or OK where there is no No): the questions of a run that must not go on.
class QuestionDecliner {
public:
    explicit QuestionDecliner(DWORD tid);
    ~QuestionDecliner();
    QuestionDecliner(const QuestionDecliner&) = delete;
    QuestionDecliner& operator=(const QuestionDecliner&) = delete;
    int Declined() const { return m_declined; }

private:
    DWORD m_tid;
    volatile bool m_stop = false;
    volatile int m_declined = 0;
    HANDLE m_thread = nullptr;
    static DWORD WINAPI Loop(void* self);
};

// A control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

}  // namespace tolmtest
