// Times the real tool: from its start to its main window, and a whole
// interactive run on the seeded installation, step by step, with the peak
// working set.
//   bench_run start N      N starts of the tool and of a one-box program
//   bench_run run          one interactive run (Yes, Yes, No)
// Each prints one line of figures for the benchmark script.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "../res/resource.h"
#include "Footprint.h"
#include "Seeding.h"
#include "TestSupport.h"

#include "BenchClock.h"

namespace {

struct Windows {
    DWORD pid;
    HWND main = nullptr;  // the tool's dialog (it has the Run button)
    HWND box = nullptr;   // a visible message box
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* w = reinterpret_cast<Windows*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != w->pid || !::IsWindowVisible(hwnd) || tolmtest::ClassName(hwnd) != "#32770") return TRUE;
    if (::GetDlgItem(hwnd, IDC_RUN)) w->main = hwnd;
    else if (::GetDlgItem(hwnd, 0xFFFF)) w->box = hwnd;
    return TRUE;
}
Windows Look(DWORD pid) {
    Windows w{pid};
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&w));
    return w;
}

// The run report as it grows: the tool writes each line as it goes, while its
// window, busy with the run, answers no other process until a question shows.
class ReportTail {
public:
    explicit ReportTail(const std::string& path) : m_path(path), m_offset(Size()) {}
    // The number of step sections ("== " lines) written since the tail began.
    int Sections() {
        HANDLE f = ::CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return m_sections;
        ::SetFilePointer(f, static_cast<LONG>(m_offset), nullptr, FILE_BEGIN);
        char buffer[65536];
        DWORD read = 0;
        while (::ReadFile(f, buffer, sizeof buffer, &read, nullptr) && read) {
            m_text.append(buffer, read);
            m_offset += read;
        }
        ::CloseHandle(f);
        for (size_t at; (at = m_text.find("\r\n")) != std::string::npos; m_text.erase(0, at + 2))
            if (m_text.compare(0, 3, "== ") == 0) ++m_sections;
        return m_sections;
    }

private:
    DWORD Size() const {
        WIN32_FILE_ATTRIBUTE_DATA d;
        return ::GetFileAttributesExA(m_path.c_str(), GetFileExInfoStandard, &d) ? d.nFileSizeLow : 0;
    }
    std::string m_path, m_text;
    DWORD m_offset;
    int m_sections = 0;
};

// Polls every millisecond until pred(windows) holds; the time it held, or -1.
template <typename P>
double WaitFor(DWORD pid, P&& pred, DWORD timeoutMs, Windows* out) {
    const double start = Now();
    while (Now() - start < timeoutMs) {
        Windows w = Look(pid);
        if (pred(w)) {
            if (out) *out = w;
            return Now();
        }
        ::Sleep(1);
    }
    return -1;
}

SIZE_T PeakWorkingSetKb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    return ::GetProcessMemoryInfo(process, &pmc, sizeof pmc) ? pmc.PeakWorkingSetSize / 1024 : 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Starts cmd; ms until a window of it satisfies pred, and its peak working set then.
template <typename P>
bool TimeStart(const std::string& cmd, P&& pred, double* ms, SIZE_T* peakKb) {
    tolmtest::ChildProcess child;
    const double t0 = Now();
    if (!child.Start(cmd)) return false;
    Windows w;
    double t = WaitFor(child.Pid(), pred, 60000, &w);
    if (t < 0) return false;
    *ms = t - t0;
    ::Sleep(300);  // settled
    *peakKb = PeakWorkingSetKb(child.Handle());
    HWND close = w.main ? w.main : w.box;
    ::PostMessageA(close, WM_COMMAND, w.main ? IDCANCEL : IDOK, 0);
    if (!child.Wait(20000)) child.Kill();
    return true;
}

int Start(int n) {
    const std::string tool = "\"" + tolmtest::ToolPath() + "\"";
    const std::string floor = "\"" + tolmtest::BinDir() + "\\bench\\bench_floor.exe\"";
    std::vector<double> toolMs, floorMs;
    SIZE_T toolKb = 0, floorKb = 0;
    for (int i = 0; i < n; ++i) {
        double ms;
        SIZE_T kb;
        if (!TimeStart(tool, [](const Windows& w) { return w.main != nullptr; }, &ms, &kb)) return 1;
        toolMs.push_back(ms);
        toolKb = std::max(toolKb, kb);
        if (!TimeStart(floor, [](const Windows& w) { return w.box != nullptr; }, &ms, &kb)) return 1;
        floorMs.push_back(ms);
        floorKb = std::max(floorKb, kb);
    }
    std::printf("start tool_ms %.0f floor_ms %.0f tool_peak_kb %u floor_peak_kb %u\n", Median(toolMs),
                Median(floorMs), static_cast<unsigned>(toolKb), static_cast<unsigned>(floorKb));
    return 0;
}

// The interactive run's parts as its report marks them: the start (the first
// questions, the system gate, the privileges, the folder), each step from its
// section to the next, and the restart preparations from the "End" section to
// the restart question.
const char* const kParts[] = {"start",    "engines", "registry", "services and processes",
                              "records",  "files",   "restart preparations"};

int Run() {
    const footprint::Footprint fp(footprint::kFullClearingDir);
    footprint::Installation install(fp, footprint::Installed());
    std::string why;
    if (!install.Seed(&why)) {
        std::fprintf(stderr, "seed: %s\n", why.c_str());
        return 1;
    }
    tolmtest::ChildProcess child;
    if (!child.Start("\"" + tolmtest::ToolPath() + "\"")) return 1;
    Windows w;
    if (WaitFor(child.Pid(), [](const Windows& x) { return x.main != nullptr; }, 60000, &w) < 0) return 1;
    HWND main = w.main;
    ::Sleep(500);  // idle in its modal loop
    const std::string tool = tolmtest::ToolPath();
    ReportTail report(tool.substr(0, tool.find_last_of('\\')) + "\\TolmUnload.log");
    const double t0 = Now();
    ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(main, IDC_RUN)));
    // The start question, the question before the files, the restart question;
    // each part but the last ends when the next section is written.
    const int answers[] = {IDYES, IDYES, IDNO};
    double partMs[7] = {}, boxInPart[7] = {}, boxMs = 0;
    size_t part = 0, answered = 0;
    double partStart = t0;
    for (;;) {
        Windows now = Look(child.Pid());
        const double t = Now();
        if (part < 6 && report.Sections() > static_cast<int>(part)) {
            partMs[part++] = t - partStart;
            partStart = t;
            continue;
        }
        if (now.box && answered < 3) {
            const bool restartQuestion = answered == 2;
            if (restartQuestion) {
                partMs[part] = t - partStart;  // the restart preparations end with the question
                part = 7;
            }
            ::PostMessageA(now.box, WM_COMMAND, answers[answered++], 0);
            while (::IsWindow(now.box) && ::IsWindowVisible(now.box)) ::Sleep(0);
            const double spent = Now() - t;  // this driver's answer, not the tool's work
            boxMs += spent;
            if (!restartQuestion) boxInPart[part] += spent;
            if (restartQuestion) break;
            continue;
        }
        if (t - t0 > 120000) {
            std::fprintf(stderr, "the run did not end\n");
            return 1;
        }
        ::Sleep(1);
    }
    // Back in its modal loop: the run has returned.
    DWORD_PTR r = 0;
    ::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_BLOCK, 120000, &r);
    const double total = Now() - t0;
    SIZE_T peakKb = PeakWorkingSetKb(child.Handle());
    ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    if (!child.Wait(20000)) child.Kill();
    // Fixed by design: 2000 ms after each accepted stop request (the stand-in
    // services report "stopped" at once, so no 200-ms pauses), in the services
    // part; the 200-ms process waits end as soon as a process has ended and are
    // not subtracted.
    const double mandated = 2 * 2000;
    std::printf("run total_ms %.0f box_ms %.0f mandated_ms %.0f beyond_ms %.0f peak_kb %u\n", total, boxMs, mandated,
                total - boxMs - mandated, static_cast<unsigned>(peakKb));
    for (size_t p = 0; p < 7; ++p) {
        const double own = partMs[p] - boxInPart[p] - (p == 3 ? mandated : 0);
        std::printf("step %s|%.0f\n", kParts[p], own);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "start") return Start(argc > 2 ? std::atoi(argv[2]) : 5);
    if (mode == "run") return Run();
    std::fprintf(stderr, "usage: bench_run start N | run\n");
    return 2;
}
