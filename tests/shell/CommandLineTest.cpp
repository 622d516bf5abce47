// The real program started with real command lines: which run mode each selects
// and the exit code it ends with.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Handles.h"
#include "TestSupport.h"

using namespace tolmtest;

namespace {

const DWORD kStartTimeout = 20000;

struct Outcome {
    std::vector<std::string> boxes;  // the texts of the message boxes, in the order they came
    bool windowOpened = false;
    bool autoPlaced = false;  // 1 x 1 at (-10, -10)
    DWORD exitCode = 0xFFFFFFFF;
    DWORD seenVersion = 0;  // major | minor << 8 | platform << 16, as the tool's process saw it
};

// The version the system reports to another process: the fields GetVersionExA
// answers from, read from that process's environment block (32-bit layout).
DWORD SeenVersion(DWORD pid) {
    typedef LONG(WINAPI * QueryFn)(HANDLE, int, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    KernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!query || !process) return 0;
    struct {
        LONG exitStatus;
        BYTE* peb;
        ULONG_PTR affinity, priority, pid, parent;
    } basic = {};
    if (query(process.Get(), 0 /* ProcessBasicInformation */, &basic, sizeof basic, nullptr) != 0) return 0;
    DWORD fields[5] = {};  // OSMajorVersion, OSMinorVersion, build and service pack, OSPlatformId
    SIZE_T got = 0;
    if (!::ReadProcessMemory(process.Get(), basic.peb + 0xA4, fields, sizeof fields, &got) || got != sizeof fields)
        return 0;
    return fields[0] | fields[1] << 8 | fields[3] << 16;
}

struct BoxArgs {
    DWORD pid;
    HWND main = nullptr;
    std::set<HWND> answered;  // each box answered once
    std::vector<std::string> texts;
    bool open = false;        // a box was open in the last look
};

// Answers every message box of the process with No (OK where there is no No):
// the runs' questions, so that a run ends before it removes anything.
void AnswerBoxes(BoxArgs& a) {
    for (HWND hwnd : Dialogs(a.pid, 0, true)) {
        if (::GetDlgItem(hwnd, 1000)) {
            a.main = hwnd;  // the main window has the Run button
            continue;
        }
        a.open = true;
        if (a.answered.insert(hwnd).second) {
            char text[2048] = {};
            ::GetDlgItemTextA(hwnd, 0xFFFF, text, sizeof text);
            a.texts.push_back(text);
            ::PostMessageA(hwnd, WM_COMMAND, ::GetDlgItem(hwnd, IDNO) ? IDNO : IDOK, 0);
        }
    }
}

// Starts the tool with the given text after the program path, declines every
// question it asks, closes its main window once it has opened, and reports.
Outcome RunTool(const std::string& args, bool quotePath = false) {
    Outcome out;
    std::string cmd = quotePath ? "\"" + ToolPath() + "\"" : ToolPath();
    cmd += args;
    ChildProcess p;
    EXPECT_TRUE(p.Start(cmd)) << cmd;
    BoxArgs boxes;
    boxes.pid = p.Pid();
    // Either the process ends by itself or its main window shows up.
    WaitUntil([&] {
        if (!p.Running()) return true;
        AnswerBoxes(boxes);
        return boxes.main != nullptr;
    }, kStartTimeout);
    if (boxes.main) {
        out.windowOpened = true;
        out.seenVersion = SeenVersion(p.Pid());
        // The run started by the automatic start may still be asking.
        WaitUntil([&] {
            boxes.open = false;
            AnswerBoxes(boxes);
            return !boxes.open && ::IsWindowEnabled(boxes.main);
        }, kStartTimeout);
        RECT r = {};
        ::GetWindowRect(boxes.main, &r);
        out.autoPlaced = r.left == -10 && r.top == -10 && r.right - r.left == 1 && r.bottom - r.top == 1;
        ::PostMessageA(boxes.main, WM_COMMAND, IDCANCEL, 0);
    }
    EXPECT_TRUE(p.Wait(kStartTimeout, &out.exitCode)) << "the tool did not end: " << cmd;
    out.boxes = boxes.texts;
    return out;
}

}  // namespace

// The silent run ends the tool by itself: its main window is created and torn
// down by the pending quit request, with nobody closing it (its one question,
// if it asks one here, is declined).
TEST(CommandLine, SilentSwitchExactlyMinusSInAnyCaseEndsByItselfWithCodeOne) {
    for (const char* args : {" -s", " -S", "   -s"}) {
        SCOPED_TRACE(args);
        ChildProcess p;
        ASSERT_TRUE(p.Start(ToolPath() + args));
        BoxArgs boxes;
        boxes.pid = p.Pid();
        WaitUntil([&] {
            AnswerBoxes(boxes);
            return !p.Running();
        }, kStartTimeout);
        EXPECT_LE(boxes.answered.size(), 1u) << "at most one question";
        DWORD code = 0;
        ASSERT_TRUE(p.Wait(0, &code)) << "the tool kept running";
        EXPECT_EQ(1u, code);
    }
}

// The automatic start (" /silent" after the program path, exactly, anywhere
// in the line) opens the window off screen; near misses of it and of "-s" open
// it as usual.
TEST(CommandLine, OnlyTheAutomaticStartPlacesTheWindowOffScreen) {
    const struct {
        const char* args;
        bool quoted;  // the program path in quotes
        bool offScreen;
    } cases[] = {
        {" /silent", false, true}, {" /silent more", false, true}, {" -s /silent", false, true},
        {" x /silent", false, true}, {" /silent", true, true},
        {" /SILENT", false, false}, {" /Silent", false, false}, {"\t/silent", false, false},
        {" \"/silent\"", false, false}, {" x\"/silent", false, false},
        {" -s ", false, false}, {" /s", false, false}, {" -silent", false, false}, {" -ss", false, false},
        {" s", false, false}, {"", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("args: [") + c.args + (c.quoted ? "], quoted" : "]"));
        Outcome o = RunTool(c.args, c.quoted);
        EXPECT_TRUE(o.windowOpened);
        EXPECT_EQ(c.offScreen, o.autoPlaced);
        EXPECT_EQ(0u, o.exitCode);
    }
}

// "/preview" and "/quiet", word by word in any case, run with no window; on a
// machine without the suite the preview ends with its one message (nothing
// changed, no item, where the report is) and exit code 0, "/quiet" with 1605.
// The automatic start and near misses keep their own behaviour.
TEST(CommandLine, UnattendedSwitchesRunWithoutAWindowAndEndWithTheirCodes) {
    struct Case {
        const char* args;
        const char* version;  // what Wine reports to the tool, "" its default
        bool window;
        size_t boxes;
        DWORD code;
    } cases[] = {
        {" /preview", "", false, 1, 0},
        {" /PREVIEW /Quiet", "", false, 0, 0},
        {" /quiet /preview", "", false, 0, 0},
        {" /quiet", "", false, 0, 1605},
        {" /Quiet C:\\tolmtest\\no such folder\\", "", false, 0, 1605},
        {" /quiet", "win95", false, 0, 3},
        {" /preview /quiet", "nt40", false, 0, 3},
        {" /quiet /silent", "", true, 1, 0},  // the automatic start asks its start question
        {" /preview now", "", true, 0, 0},
        {" -s /quiet", "", true, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.args) + " " + c.version);
        std::unique_ptr<ScopedWindowsVersion> as;
        if (*c.version) as.reset(new ScopedWindowsVersion("TolmUnload.exe", c.version));
        Outcome o = RunTool(c.args);
        EXPECT_EQ(o.windowOpened, c.window);
        EXPECT_EQ(o.boxes.size(), c.boxes);
        EXPECT_EQ(o.exitCode, c.code);
        if (!c.window && c.boxes == 1) {
            ASSERT_FALSE(o.boxes.empty());
            EXPECT_NE(o.boxes[0].find(" 0 "), std::string::npos) << o.boxes[0];
            EXPECT_NE(o.boxes[0].find("TolmUnload.log"), std::string::npos) << o.boxes[0];
        }
    }
}

// The start-up (the DLL search restriction looked up at run time among it) works
// on every Windows version the tool meets.
TEST(CommandLine, StartsOnEveryWindowsVersion) {
    // What each setting makes the system report: major, minor, platform.
    const struct {
        const char* name;
        DWORD major, minor, platform;
    } versions[] = {{"win31", 3, 10, 0}, {"win95", 4, 0, 1},   {"win98", 4, 10, 1},   {"winme", 4, 90, 1},
                    {"nt40", 4, 0, 2},   {"win2k", 5, 0, 2},   {"winxp", 5, 1, 2},    {"win2003", 5, 2, 2},
                    {"vista", 6, 0, 2},  {"win2008", 6, 0, 2}, {"win7", 6, 1, 2}};
    for (const auto& v : versions) {
        SCOPED_TRACE(v.name);
        ScopedWindowsVersion as("TolmUnload.exe", v.name);
        Outcome o = RunTool("");
        EXPECT_TRUE(o.windowOpened);
        EXPECT_EQ(0u, o.exitCode);
        EXPECT_EQ(v.major | v.minor << 8 | v.platform << 16, o.seenVersion) << "the version took effect";
    }
}
