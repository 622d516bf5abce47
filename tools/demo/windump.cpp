// Prints what the tool's main window holds, as UTF-8: title, texts, buttons, the
// progress bar and the log box. With --about it opens the About box from the
// system menu's command and prints that; with --close it closes both. Waits up
// to 30 seconds for the window. (Menus of another process cannot be read under
// Wine, so the About item is shown through the box it opens.)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Utf8(const std::string& ansi) {
    int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring w(n, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &w[0], n);
    int m = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(m, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], m, nullptr, nullptr);
    out.resize(m > 0 ? m - 1 : 0);
    return out;
}

std::string Text(HWND h) {
    char buf[8192] = {};
    LRESULT n = ::SendMessageA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string Class(HWND h) {
    char buf[128] = {};
    ::GetClassNameA(h, buf, sizeof buf);
    return buf;
}

struct AboutArgs {
    DWORD pid;
    HWND main;
    HWND found;
};

BOOL CALLBACK FindAbout(HWND h, LPARAM lp) {
    auto* a = reinterpret_cast<AboutArgs*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid == a->pid && h != a->main && Class(h) == "#32770" && ::IsWindowVisible(h)) {
        a->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND FindAboutBox(HWND main, int tries) {
    AboutArgs a = {0, main, nullptr};
    ::GetWindowThreadProcessId(main, &a.pid);
    for (int i = 0; i < tries && !a.found; ++i) {
        ::EnumWindows(FindAbout, reinterpret_cast<LPARAM>(&a));
        if (!a.found) ::Sleep(100);
    }
    return a.found;
}

BOOL CALLBACK FindMain(HWND h, LPARAM lp) {
    if (Class(h) == "#32770" && ::GetDlgItem(h, 1000) && ::IsWindowVisible(h)) {
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }
    return TRUE;
}

void Print(const char* label, const std::string& ansi) {
    std::printf("%-14s %s\n", label, Utf8(ansi).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    HWND dlg = nullptr;
    for (int i = 0; i < 300 && !dlg; ++i) {
        ::EnumWindows(FindMain, reinterpret_cast<LPARAM>(&dlg));
        if (!dlg) ::Sleep(100);
    }
    if (!dlg) {
        std::fprintf(stderr, "the tool's window did not appear\n");
        return 1;
    }
    if (std::strcmp(mode, "--close") == 0) {
        if (HWND about = FindAboutBox(dlg, 1)) ::PostMessageA(about, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 50 && FindAboutBox(dlg, 1); ++i) ::Sleep(100);
        ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    if (std::strcmp(mode, "--about") == 0) {
        ::PostMessageA(dlg, WM_SYSCOMMAND, 16, 0);  // the About item's command
        HWND about = FindAboutBox(dlg, 100);
        if (!about) {
            std::fprintf(stderr, "the About box did not open\n");
            return 1;
        }
        Print("About title", Text(about));
        for (HWND c = ::GetWindow(about, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
            if ((::GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                Print("About icon", "the program's icon");
            else if (!Text(c).empty()) Print(::GetDlgCtrlID(c) == IDOK ? "About button" : "About text", Text(c));
        std::fflush(stdout);
        return 0;
    }
    std::printf("code page      %u\n", ::GetACP());
    Print("title", Text(dlg));
    for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        std::string cls = Class(c);
        int id = ::GetDlgCtrlID(c);
        if (_stricmp(cls.c_str(), "Button") == 0) {
            Print(id == 1000 ? "button (Run)" : "button (Exit)", Text(c));
        } else if (_stricmp(cls.c_str(), "Static") == 0) {
            Print(id == 1003 ? "text (red)" : "text", Text(c));
        } else if (_stricmp(cls.c_str(), PROGRESS_CLASSA) == 0) {
            std::printf("%-14s %ld..%ld, at %ld\n", "progress", static_cast<long>(::SendMessageA(c, PBM_GETRANGE, TRUE, 0)),
                        static_cast<long>(::SendMessageA(c, PBM_GETRANGE, FALSE, 0)),
                        static_cast<long>(::SendMessageA(c, PBM_GETPOS, 0, 0)));
        } else if (_stricmp(cls.c_str(), "Edit") == 0) {
            Print("log box", Text(c).empty() ? "(empty)" : Text(c));
        }
    }
    std::fflush(stdout);
    return 0;
}
