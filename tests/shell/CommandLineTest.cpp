// The real program started with real command lines: which run mode each selects
// and the exit code it ends with.
#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace tolmtest;

namespace {

const DWORD kStartTimeout = 20000;

struct Outcome {
    bool windowOpened = false;
    bool autoPlaced = false;  // 1 x 1 at (-10, -10)
    DWORD exitCode = 0xFFFFFFFF;
};

// Starts the tool with the given text after the program path, closes its main
// window if one opens, and reports what happened.
Outcome RunTool(const std::string& args, bool quotePath = false) {
    Outcome out;
    std::string cmd = quotePath ? "\"" + ToolPath() + "\"" : ToolPath();
    cmd += args;
    ChildProcess p;
    EXPECT_TRUE(p.Start(cmd)) << cmd;
    HWND dlg = nullptr;
    // Either the process ends by itself or its main window shows up.
    WaitUntil([&] {
        if (!p.Running()) return true;
        dlg = WaitForProcessWindow(p.Pid(), "#32770", 0);
        return dlg != nullptr && ::IsWindowVisible(dlg);
    }, kStartTimeout);
    if (dlg) {
        out.windowOpened = true;
        RECT r = {};
        ::GetWindowRect(dlg, &r);
        out.autoPlaced = r.left == -10 && r.top == -10 && r.right - r.left == 1 && r.bottom - r.top == 1;
        ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    }
    EXPECT_TRUE(p.Wait(kStartTimeout, &out.exitCode)) << "the tool did not end: " << cmd;
    return out;
}

}  // namespace

// The silent run ends the tool by itself: its main window is created and torn
// down by the pending quit request, with nobody closing it.
TEST(CommandLine, SilentSwitchExactlyMinusSInAnyCaseEndsByItselfWithCodeOne) {
    for (const char* args : {" -s", " -S", "   -s"}) {
        SCOPED_TRACE(args);
        ChildProcess p;
        ASSERT_TRUE(p.Start(ToolPath() + args));
        DWORD code = 0;
        ASSERT_TRUE(p.Wait(kStartTimeout, &code)) << "the tool kept running";
        EXPECT_EQ(1u, code);
    }
}

TEST(CommandLine, NearMissesOfTheSilentSwitchOpenTheWindow) {
    for (const char* args : {" -s ", " /s", " -silent", " -ss", " s", ""}) {
        SCOPED_TRACE(std::string("args: [") + args + "]");
        Outcome o = RunTool(args);
        EXPECT_TRUE(o.windowOpened);
        EXPECT_FALSE(o.autoPlaced);
        EXPECT_EQ(0u, o.exitCode);
    }
}

TEST(CommandLine, AutomaticStartPlacesTheWindowOffScreen) {
    for (const char* args : {" /silent", " /silent more", " -s /silent", " x /silent"}) {
        SCOPED_TRACE(args);
        Outcome o = RunTool(args);
        EXPECT_TRUE(o.windowOpened);
        EXPECT_TRUE(o.autoPlaced);
        EXPECT_EQ(0u, o.exitCode);
    }
    Outcome quoted = RunTool(" /silent", true);
    EXPECT_TRUE(quoted.autoPlaced) << "quoted program path";
}

TEST(CommandLine, AutomaticStartSwitchIsCaseSensitiveAndNeedsTheBlank) {
    for (const char* args : {" /SILENT", " /Silent", "\t/silent", " \"/silent\"", " x\"/silent"}) {
        SCOPED_TRACE(args);
        Outcome o = RunTool(args);
        EXPECT_TRUE(o.windowOpened);
        EXPECT_FALSE(o.autoPlaced);
    }
}
