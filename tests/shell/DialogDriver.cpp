#include "DialogDriver.h"

#include <thread>

#include "TestSupport.h"

namespace tolmtest {

INT_PTR DriveDialog(const std::function<INT_PTR()>& runModal, const std::function<void(HWND)>& inspect,
                    bool* dialogSeen) {
    const DWORD tid = ::GetCurrentThreadId();
    bool seen = false;
    std::thread watcher([&] {
        HWND dlg = nullptr;
        WaitUntil([&] {
            dlg = WaitForThreadWindow(tid, "#32770", 0);
            return dlg && ::IsWindowVisible(dlg);
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
    HWND found;
};
BOOL CALLBACK FindOther(HWND hwnd, LPARAM lp) {
    auto* a = reinterpret_cast<OtherArgs*>(lp);
    if (hwnd != a->except && ::GetWindowThreadProcessId(hwnd, nullptr) == a->tid && ClassName(hwnd) == "#32770" &&
        ::IsWindowVisible(hwnd)) {
        a->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND WaitForOtherDialog(DWORD tid, HWND except, DWORD timeoutMs) {
    OtherArgs a = {tid, except, nullptr};
    WaitUntil([&] {
        a.found = nullptr;
        ::EnumWindows(FindOther, reinterpret_cast<LPARAM>(&a));
        return a.found != nullptr;
    }, timeoutMs);
    return a.found;
}

RECT ChildRect(HWND child) {
    RECT r = {};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace tolmtest
