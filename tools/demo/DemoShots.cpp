// The demo's pictures: the About box, the main window as it opens, the Run
// button held down, and the window at the end of a whole run.
#include <windows.h>

#include <cstdio>

#include "../../framework/AfxGdi.h"
#include "../../framework/Handles.h"
#include "../../res/resource.h"
#include "Demo.h"
#include "TestSupport.h"

namespace demo {
namespace {

// Writes the screen's rectangle r as a 24-bit BMP file.
bool SaveScreen(const RECT& r, const std::string& path) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    CClientDC screenDc(nullptr);
    const HDC screen = screenDc.GetSafeHdc();
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    GdiObject dib(::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDc mem(::CreateCompatibleDC(screen));
    if (!dib.Get() || !mem.Get()) return false;
    SelectGuard select(mem.Get(), dib.Get());
    if (!::BitBlt(mem.Get(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY)) return false;
    ::GdiFlush();
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u, size = stride * h;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    FileHandle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return f.Valid() && ::WriteFile(f.Get(), &fh, sizeof fh, &written, nullptr) &&
           ::WriteFile(f.Get(), &bi.bmiHeader, sizeof bi.bmiHeader, &written, nullptr) &&
           ::WriteFile(f.Get(), bits, size, &written, nullptr);
}

bool Shoot(HWND window, const std::string& path) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::Sleep(300 * tolmtest::WaitScale());
    RECT r = {};
    ::GetWindowRect(window, &r);
    const bool ok = SaveScreen(r, path);
    std::printf("%s %s\n", ok ? "picture" : "no picture", path.c_str());
    std::fflush(stdout);
    return ok;
}

void MouseTo(const POINT& at, DWORD flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = at.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = at.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    ::SendInput(1, &in, sizeof in);
}

// A click on the window's title bar makes it the active window, as a user's would.
void Activate(HWND window) {
    RECT r = {};
    ::GetWindowRect(window, &r);
    const POINT at = {(r.left + r.right) / 2, r.top + ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CYCAPTION) / 2};
    MouseTo(at, 0);
    MouseTo(at, MOUSEEVENTF_LEFTDOWN);
    MouseTo(at, MOUSEEVENTF_LEFTUP);
    ::Sleep(200 * tolmtest::WaitScale());
}

HWND WaitForAbout(HWND main) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    HWND about = nullptr;
    tolmtest::WaitUntil([&] {
        for (HWND h : tolmtest::Dialogs(pid, 0, true))
            if (h != main) {
                about = h;
                break;
            }
        return about != nullptr;
    }, 10000);
    return about;
}

}  // namespace

int Shots(const std::string& dir, const std::string& prefix) {
    const std::string tool = tolmtest::ToolPath();
    int failures = 0;
    auto none = [](const tooldriver::Box&) { return IDNO; };
    // The About box, the window as it opens, and Run held down.
    const tooldriver::DriveResult first = tooldriver::Drive(tool, "", false, none, 60000 * tolmtest::WaitScale(), [&](HWND main) {
        ::PostMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        if (HWND about = WaitForAbout(main)) {
            Activate(about);
            failures += !Shoot(about, dir + "\\" + prefix + "about.bmp");
            ::PostMessageA(about, WM_COMMAND, IDOK, 0);
            tolmtest::WaitUntil([&] { return !::IsWindowVisible(about); }, 10000);
        } else {
            ++failures;
        }
        // Closing the About box leaves the main window the active one.
        failures += !Shoot(main, dir + "\\" + prefix + "main.bmp");
        HWND run = ::GetDlgItem(main, IDC_RUN);
        RECT b = {};
        ::GetWindowRect(run, &b);
        MouseTo(POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2}, 0);
        ::Sleep(200 * tolmtest::WaitScale());
        MouseTo(POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2}, MOUSEEVENTF_LEFTDOWN);
        failures += !Shoot(main, dir + "\\" + prefix + "run-held.bmp");
        // Let go outside the button: no click.
        RECT w = {};
        ::GetWindowRect(main, &w);
        MouseTo(POINT{w.left + 5, w.bottom + 40}, 0);
        ::Sleep(200 * tolmtest::WaitScale());
        MouseTo(POINT{w.left + 5, w.bottom + 40}, MOUSEEVENTF_LEFTUP);
        ::Sleep(200 * tolmtest::WaitScale());
    });
    if (!first.trouble.empty()) std::fprintf(stderr, "%s\n", first.trouble.c_str());
    if (!first.boxes.empty()) { std::fprintf(stderr, "the held Run button started a run\n"); ++failures; }

    // The window at the end of a whole run, with its log.
    {
        const footprint::Footprint fp(footprint::kNamedDir);
        footprint::Installation install(fp, DemoScenario().installed);
        if (!Seeded(install)) return 2;
        if (!::CopyFileA(tool.c_str(), fp.Tool().c_str(), FALSE)) return 2;
        const tooldriver::DriveResult r = tooldriver::Drive(
            fp.Tool(), "", true, DemoAnswers(fp.Tool()), 60000 * tolmtest::WaitScale(),
            [&](HWND main) { Activate(main); failures += !Shoot(main, dir + "\\" + prefix + "end-of-run.bmp"); });
        if (!r.trouble.empty()) { std::fprintf(stderr, "%s\n", r.trouble.c_str()); ++failures; }
    }
    return failures ? 1 : 0;
}

}  // namespace demo
