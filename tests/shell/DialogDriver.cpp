#include "DialogDriver.h"

#include <thread>

#include "TestSupport.h"

namespace tolmtest {

INT_PTR DriveDialog(const std::function<INT_PTR()>& runModal, const std::function<void(HWND)>& inspect,
                    bool* dialogSeen) {
    const DWORD tid = ::GetCurrentThreadId();
    bool seen = false;
    std::thread watcher([&] {
        // The dialog itself: unowned, unlike the message boxes it may show.
        HWND dlg = nullptr;
        WaitUntil([&] {
            dlg = WaitForOtherDialog(tid, nullptr, 0, true);
            return dlg != nullptr;
        }, 15000);
        if (!dlg) return;
        seen = true;
        inspect(dlg);
        if (::IsWindow(dlg)) ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    INT_PTR result = runModal();
    watcher.join();
    if (dialogSeen) *dialogSeen = seen;
    return result;
}

HWND WaitForOtherDialog(DWORD tid, HWND except, DWORD timeoutMs, bool unownedOnly) {
    HWND found = nullptr;
    WaitUntil([&] {
        found = nullptr;
        for (HWND h : Dialogs(0, tid, true))
            if (h != except && (!unownedOnly || !::GetWindow(h, GW_OWNER))) {
                found = h;
                break;
            }
        return found != nullptr;
    }, timeoutMs);
    return found;
}

QuestionDecliner::QuestionDecliner(DWORD tid) : m_tid(tid) {
    m_thread = ::CreateThread(nullptr, 0, &QuestionDecliner::Loop, this, 0, nullptr);
}

QuestionDecliner::~QuestionDecliner() {
    m_stop = true;
    if (m_thread) {
        ::WaitForSingleObject(m_thread, 10000);
        ::CloseHandle(m_thread);
    }
}

DWORD WINAPI QuestionDecliner::Loop(void* p) {
    auto* self = static_cast<QuestionDecliner*>(p);
    HWND last = nullptr;
    while (!self->m_stop) {
        // A message box: a dialog of the thread without the main window's Run button.
        HWND box = nullptr;
        for (HWND h : Dialogs(0, self->m_tid, true))
            if (!::GetDlgItem(h, 1000) && ::GetDlgItem(h, 0xFFFF)) {
                box = h;
                break;
            }
        if (box && box != last) {
            ::PostMessageA(box, WM_COMMAND, ::GetDlgItem(box, IDNO) ? IDNO : IDOK, 0);
            last = box;
            self->m_declined = self->m_declined + 1;
        }
        ::Sleep(20);
    }
    return 0;
}

RECT ChildRect(HWND child) {
    RECT r = {};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace tolmtest
