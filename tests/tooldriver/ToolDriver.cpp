#include "ToolDriver.h"

#include <commctrl.h>

#include "../../res/resource.h"
#include "TestSupport.h"

namespace tooldriver {
namespace {

// The controls of a message box: its text and its icon.
const int kBoxText = 0xFFFF;
const int kBoxIcon = 0x0440;
const size_t kMostBoxes = 12;

// The tool's main window and its visible message boxes.
struct Found {
    DWORD pid;
    HWND main;
    std::vector<HWND> boxes;
};

Found Look(DWORD pid) {
    Found f = {pid, nullptr, {}};
    for (HWND hwnd : tolmtest::Dialogs(pid, 0, false)) {
        if (::GetDlgItem(hwnd, IDC_RUN))
            f.main = hwnd;
        else if (::GetDlgItem(hwnd, kBoxText) && ::IsWindowVisible(hwnd))
            f.boxes.push_back(hwnd);
    }
    return f;
}

bool Responsive(HWND hwnd) {
    DWORD_PTR r = 0;
    return ::SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 300, &r) != 0;
}

int Progress(HWND main) {
    DWORD_PTR pos = 0;
    HWND bar = ::GetDlgItem(main, IDC_PROGRESS);
    if (!bar || !::SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &pos)) return -1;
    return static_cast<int>(pos);
}

std::string LogText(HWND main) {
    HWND edit = ::GetDlgItem(main, IDC_LOG);
    if (!edit) return "";
    char buf[8192] = {};
    DWORD_PTR n = 0;
    if (!::SendMessageTimeoutA(edit, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 1000, &n))
        return "";
    return std::string(buf, n);
}

Box ReadBox(HWND box, HWND main) {
    Box b;
    b.text = tolmtest::WindowText(::GetDlgItem(box, kBoxText));
    b.caption = tolmtest::WindowText(box);
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        HWND button = ::GetDlgItem(box, id);
        if (button && ::IsWindowVisible(button)) b.buttons.push_back(id);
    }
    HWND icon = ::GetDlgItem(box, kBoxIcon);
    b.icon = icon && ::IsWindowVisible(icon) && ::SendMessageA(icon, STM_GETICON, 0, 0) != 0;
    HWND owner = ::GetWindow(box, GW_OWNER);
    b.noOwner = owner == nullptr;
    b.ownedByMain = owner && owner == main;
    b.ownerVisible = owner && ::IsWindowVisible(owner);
    if (main) {
        b.log = LogText(main);
        b.progress = Progress(main);
    }
    return b;
}

// What the main window shows once the run is over.
void ReadEnd(HWND main, DriveResult& res) {
    res.mainVisibleAtEnd = ::IsWindowVisible(main) != 0;
    ::GetWindowRect(main, &res.mainRect);
    res.finalLog = LogText(main);
    res.finalProgress = Progress(main);
    res.runEnabledAtEnd = ::IsWindowEnabled(::GetDlgItem(main, IDC_RUN)) != 0;
}

DriveResult DriveChild(tolmtest::ChildProcess& child, bool pressRun, const Answerer& answer, DWORD timeoutMs,
                       const AtEnd& atEnd) {
    DriveResult res;
    const DWORD start = ::GetTickCount();
    bool pressed = false, closing = false;
    HWND lastBox = nullptr;
    int idle = 0;
    while (::GetTickCount() - start < timeoutMs) {
        if (!child.Running()) break;
        Found f = Look(child.Pid());
        if (f.main) {
            res.mainSeen = true;
            HWND run = ::GetDlgItem(f.main, IDC_RUN);
            if (pressRun && !pressed && ::IsWindowVisible(f.main) && run) {
                ::PostMessageA(f.main, WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), reinterpret_cast<LPARAM>(run));
                pressed = true;
                ::Sleep(50);
                continue;
            }
        }
        if (!f.boxes.empty()) {
            idle = 0;
            HWND box = f.boxes.front();
            if (box == lastBox) {  // answered, still closing
                ::Sleep(30);
                continue;
            }
            Box b = ReadBox(box, f.main);
            b.answer = answer(b);
            res.boxes.push_back(b);
            lastBox = box;
            ::PostMessageA(box, WM_COMMAND, b.answer, 0);
            if (res.boxes.size() > kMostBoxes) {
                res.trouble = "too many message boxes";
                break;
            }
            continue;
        }
        // The run blocks the window's thread except inside its message boxes:
        // a window that answers with no box open has finished its run.
        if (f.main && ::IsWindowVisible(f.main) && (pressed || !pressRun) && !closing && Responsive(f.main) &&
            ++idle >= 3) {
            ReadEnd(f.main, res);
            if (atEnd) atEnd(f.main);
            ::PostMessageA(f.main, WM_COMMAND, IDCANCEL, 0);
            closing = true;
        }
        ::Sleep(100);
    }
    res.exited = child.Wait(closing ? 10000 : 0, &res.exitCode);
    if (!res.exited) {
        if (res.trouble.empty()) res.trouble = "the tool did not end in time";
        child.Kill();
    }
    return res;
}

}  // namespace

DriveResult Drive(const std::string& tool, const std::string& args, bool pressRun, const Answerer& answer,
                  DWORD timeoutMs, const AtEnd& atEnd) {
    tolmtest::ChildProcess child;
    const std::string cmd = "\"" + tool + "\"" + (args.empty() ? "" : " " + args);
    if (!child.Start(cmd)) {
        DriveResult res;
        res.trouble = "cannot start " + cmd;
        return res;
    }
    return DriveChild(child, pressRun, answer, timeoutMs, atEnd);
}

DriveResult DriveRunning(DWORD pid, bool pressRun, const Answerer& answer, DWORD timeoutMs) {
    tolmtest::ChildProcess child;
    if (!child.Attach(pid)) {
        DriveResult res;
        res.trouble = "cannot open process " + std::to_string(pid);
        return res;
    }
    return DriveChild(child, pressRun, answer, timeoutMs, nullptr);
}

}  // namespace tooldriver
