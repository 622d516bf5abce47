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

namespace {
struct OtherArgs {
    DWORD tid;
    HWND except;
    bool unownedOnly;
    HWND found;
};
BOOL CALLBACK FindOther(HWND hwnd, LPARAM lp) {
    auto* a = reinterpret_cast<OtherArgs*>(lp);
    if (hwnd != a->except && ::GetWindowThreadProcessId(hwnd, nullptr) == a->tid && ClassName(hwnd) == "#32770" &&
        ::IsWindowVisible(hwnd) && (!a->unownedOnly || !::GetWindow(hwnd, GW_OWNER))) {
        a->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND WaitForOtherDialog(DWORD tid, HWND except, DWORD timeoutMs, bool unownedOnly) {
    OtherArgs a = {tid, except, unownedOnly, nullptr};
    WaitUntil([&] {
        a.found = nullptr;
        ::EnumWindows(FindOther, reinterpret_cast<LPARAM>(&a));
        return a.found != nullptr;
    }, timeoutMs);
    return a.found;
}

namespace {
struct BoxScan {
    DWORD tid;
    HWND box;
};
BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    auto* a = reinterpret_cast<BoxScan*>(lp);
    // A message box: a dialog of the thread without the main window's Run button.
    if (::GetWindowThreadProcessId(hwnd, nullptr) == a->tid && ClassName(hwnd) == "#32770" &&
        ::IsWindowVisible(hwnd) && !::GetDlgItem(hwnd, 1000) && ::GetDlgItem(hwnd, 0xFFFF)) {
        a->box = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

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
        BoxScan scan = {self->m_tid, nullptr};
        ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&scan));
        if (scan.box && scan.box != last) {
            ::PostMessageA(scan.box, WM_COMMAND, ::GetDlgItem(scan.box, IDNO) ? IDNO : IDOK, 0);
            last = scan.box;
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
