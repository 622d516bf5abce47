// The demo's driver, built from the end-to-end support: lays down a complete
// installation of the suite, runs the tool on it as a user would and says what
// it did; or photographs the tool's windows.
//   demo_run run [--interactive]   the whole removal (the person answers with --interactive)
//   demo_run shots DIR PREFIX      BMP pictures of the windows into DIR (a Windows path)
// Texts are printed as UTF-8.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "../../framework/AfxGdi.h"
#include "../../framework/Handles.h"
#include "../../tests/e2e/E2eSupport.h"
#include "TestSupport.h"

using namespace e2e;

namespace {

const char kInstallDir[] = "C:\\tolmtest\\e2e\\Velkaris\\Internet Security";

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

void Say(const std::string& ansi) {
    std::printf("%s\n", Utf8(ansi).c_str());
    std::fflush(stdout);
}

// The log box's text, one indented line per line, without empty ones.
void SayIndented(const std::string& text, const char* indent) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) Say(indent + line);
        at = end + 1;
    }
}

// What the probe's items are, by the prefix of their names.
struct Group {
    const char* prefix;
    const char* label;
};
const Group kGroups[] = {
    {"dir:", "program folder"},  {"file:", "program files"},   {"reg:", "registry keys"},
    {"run:", "autostart values"}, {"uninstall:", "Uninstall entries"}, {"svckey:", "service keys"},
    {"service:", "services"},    {"proc:", "processes"},       {"engine:", "script engines"},
    {"record:", "installer records"}, {"desk:", "desktop shortcuts"}, {"menu:", "menu folders"},
    {"qrecycle:", "quarantine folder"},
};

// Items of the probe that a user (not the suite) put there: they must stay.
bool IsUsers(const std::string& key) {
    for (const char* mine : {"KeepMe", " keep", "uninstall:keep", ":keep", "MyQWatch", "QWatchX", "MyNotes", "keep.dat",
                             "readme.txt", "record:{9C3F0B71"})
        if (key.find(mine) != std::string::npos) return true;
    return false;
}

// A probe item as a user would name it.
std::string ItemName(const std::string& key) {
    std::string name = key.substr(key.find(':') + 1);
    if (key.rfind("desk:", 0) == 0 || key.rfind("menu:", 0) == 0) {
        const bool common = name.rfind("common:", 0) == 0;
        const std::string id = name.substr(name.find(':') + 1);
        const std::string text = id == "keep" ? "(the user's own)" : ToolString(tolmtest::ToolPath(), std::atoi(id.c_str()));
        return (common ? "all users: " : "this user: ") + text;
    }
    if (key.rfind("engine:", 0) == 0) return name.substr(0, name.find(' '));
    return name;
}

void SayGroups(const Probe& p, bool present, bool users) {
    for (const Group& g : kGroups) {
        std::vector<std::string> names;
        for (const auto& item : p)
            if (item.first.rfind(g.prefix, 0) == 0 && item.second == present && IsUsers(item.first) == users &&
                item.first.rfind("copy:", 0) != 0)
                names.push_back(ItemName(item.first));
        if (names.empty()) continue;
        std::string line = "  " + std::string(g.label) + " (" + std::to_string(names.size()) + "):";
        size_t shown = 0;
        for (const std::string& n : names) {
            if (shown == 4) { line += " ..."; break; }
            line += (shown++ ? ", " : " ") + (n.empty() ? std::string("the folder itself") : n);
        }
        Say(line);
    }
}

std::string ReadFileText(const std::string& path) {
    std::string text;
    FileHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
    if (!f.Valid()) return text;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(f.Get(), buffer, sizeof buffer, &read, nullptr) && read) text.append(buffer, read);
    return text;
}

// The report's lines that contain one of the marks.
std::vector<std::string> ReportLines(const std::string& report, std::initializer_list<const char*> marks) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < report.size()) {
        size_t end = report.find('\n', at);
        if (end == std::string::npos) end = report.size();
        std::string line = report.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (const char* m : marks)
            if (line.find(m) != std::string::npos) {
                size_t first = line.find_first_not_of(' ');
                out.push_back(first == std::string::npos ? line : line.substr(first));
                break;
            }
        at = end + 1;
    }
    return out;
}

// Answers as the demo's user: Yes to the start and file questions, No to the restart.
int DemoAnswer(const std::string& tool, const Box& b) {
    const std::string start = ToolString(tool, 102), files = ToolString(tool, 109);
    const size_t cut = files.find("%s");
    const bool isFiles = cut != std::string::npos && b.text.compare(0, cut, files, 0, cut) == 0 &&
                         b.text.size() >= files.size() - 2 &&
                         b.text.compare(b.text.size() - (files.size() - cut - 2), std::string::npos, files, cut + 2,
                                        std::string::npos) == 0;
    if (b.buttons.size() == 1) return IDOK;
    return b.text == start || isFiles ? IDYES : IDNO;  // the restart question, and any other: No
}

// The demo's installation, in its one place.
SeedOptions DemoOptions() {
    SeedOptions o;
    o.installDir = kInstallDir;
    return o;
}

// Lays the installation down; says why not.
bool Seeded(Installation& install) {
    std::string why;
    if (install.Seed(&why)) return true;
    std::fprintf(stderr, "cannot lay down the installation: %s\n", why.c_str());
    return false;
}

int RunDemo(bool interactive) {
    Installation install(DemoOptions());
    if (!Seeded(install)) return 2;
    // A product file in use, as a program of the suite that the tool cannot end would hold it.
    const std::string inUse = std::string(kInstallDir) + "\\TQMEngine.dll";
    FileHandle held(::CreateFileA(inUse.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::string tool = InstallToolCopy();
    const std::string reportPath = std::string(kToolDir) + "\\TolmUnload.log";
    ::DeleteFileA(reportPath.c_str());
    const Probe before = ProbeMachine(kInstallDir);

    Say("== Installed: the suite, as its installer left it ==");
    Say(std::string("  install folder: ") + kInstallDir + " (TQMEngine.dll held open by a running program)");
    SayGroups(before, true, false);
    Say("  and the user's own things beside it:");
    SayGroups(before, true, true);

    Say("");
    Say("== The tool: " + tool + " ==");
    DWORD exitCode = 0;
    std::string finalLog;
    if (interactive) {
        Say("  (the window is on your display: press the Run button and answer its questions)");
        tolmtest::ChildProcess child;
        if (!child.Start("\"" + tool + "\"")) {
            std::fprintf(stderr, "cannot start the tool\n");
            return 2;
        }
        ::WaitForSingleObject(child.Handle(), INFINITE);
        child.Wait(0, &exitCode);
    } else {
        Say("  A user presses Run and answers Yes, Yes, No:");
        DriveResult r = Drive(
            tool, "", true,
            [&](const Box& b) {
                const int a = DemoAnswer(tool, b);
                Say("  Question" + (b.caption.empty() ? std::string() : " [" + b.caption + "]") + ": " + b.text);
                Say(std::string("    -> ") + (a == IDYES ? "Yes" : a == IDNO ? "No" : "OK"));
                return a;
            },
            60000 * tolmtest::WaitScale());
        if (!r.trouble.empty()) {
            std::fprintf(stderr, "driving the tool: %s\n", r.trouble.c_str());
            return 2;
        }
        exitCode = r.exitCode;
        finalLog = r.finalLog;
        Say("  The log box at the end:");
        SayIndented(finalLog, "    | ");
    }
    Say("  exit code " + std::to_string(exitCode));

    const Probe after = ProbeMachine(kInstallDir);
    size_t installed = 0, removed = 0;
    for (const auto& item : before) {
        if (!item.second || IsUsers(item.first)) continue;
        ++installed;
        if (!after.at(item.first)) ++removed;
    }

    const std::string report = ReadFileText(reportPath);
    Say("");
    Say("== What is left ==");
    SayGroups(after, true, false);
    Say("  (on Windows 2000 and later the tool cleans the all users' desktop and Start menu;");
    Say("   this user's own shortcuts stay)");
    Say("  the user's own things, untouched:");
    SayGroups(after, true, true);

    Say("");
    Say("== Summary ==");
    Say("  removed: " + std::to_string(removed) + " of the suite's " + std::to_string(installed) + " items listed above");
    Say("  kept, and why (from " + reportPath + "):");
    for (const std::string& line : ReportLines(report, {": kept, ", ": left, "})) Say("    " + line);
    Say("  for the next start:");
    for (const char* value : {"TQMUNLOAD", "TQM7NEEDREBOOT", "UnloadReboot"}) {
        const std::string v = RunOnceValue(value);
        if (v != "<none>") Say(std::string("    RunOnce \"") + value + "\" = " + (v.empty() ? "(empty)" : v));
    }
    for (const std::string& line : ReportLines(report, {"marked for deletion"})) Say("    " + line);
    Say(report.find("End: restart declined") != std::string::npos
            ? "  The restart was declined: what is in use goes after the next restart."
            : "  " + (ReportLines(report, {"End: "}).empty() ? std::string("(no end line)") : ReportLines(report, {"End: "}).back()));
    return 0;
}

// ---- pictures ----

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

struct OtherDialog {
    DWORD pid;
    HWND main;
    HWND found;
};
BOOL CALLBACK FindOther(HWND h, LPARAM lp) {
    auto* a = reinterpret_cast<OtherDialog*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid == a->pid && h != a->main && tolmtest::ClassName(h) == "#32770" && ::IsWindowVisible(h)) {
        a->found = h;
        return FALSE;
    }
    return TRUE;
}
HWND WaitForAbout(HWND main) {
    OtherDialog a = {0, main, nullptr};
    ::GetWindowThreadProcessId(main, &a.pid);
    tolmtest::WaitUntil([&] { return ::EnumWindows(FindOther, reinterpret_cast<LPARAM>(&a)), a.found != nullptr; }, 10000);
    return a.found;
}

int Shots(const std::string& dir, const std::string& prefix) {
    const std::string tool = tolmtest::ToolPath();
    int failures = 0;
    auto none = [](const Box&) { return IDNO; };
    // The About box, the window as it opens, and Run held down.
    DriveResult first = Drive(tool, "", false, none, 60000 * tolmtest::WaitScale(), [&](HWND main) {
        ::PostMessageA(main, WM_SYSCOMMAND, 16, 0);  // the About item of the system menu
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
        HWND run = ::GetDlgItem(main, 1000);
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
        Installation install(DemoOptions());
        if (!Seeded(install)) return 2;
        const std::string copy = InstallToolCopy();
        DriveResult r = Drive(copy, "", true, [&](const Box& b) { return DemoAnswer(copy, b); },
                              60000 * tolmtest::WaitScale(),
                              [&](HWND main) { Activate(main); failures += !Shoot(main, dir + "\\" + prefix + "end-of-run.bmp"); });
        if (!r.trouble.empty()) { std::fprintf(stderr, "%s\n", r.trouble.c_str()); ++failures; }
    }
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run") return RunDemo(argc > 2 && std::strcmp(argv[2], "--interactive") == 0);
    if (mode == "shots" && argc > 3) return Shots(argv[2], argv[3]);
    std::fprintf(stderr, "usage: demo_run run [--interactive] | shots DIR PREFIX\n");
    return 2;
}
