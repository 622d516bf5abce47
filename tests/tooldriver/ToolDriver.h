// The real tool used as a person would: started (or found running), its Run
// button pressed, every message box read and answered, its main window looked
// at once the run is over and closed with Exit. Every wait is bounded.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tooldriver {

// One message box as the driver found it.
struct Box {
    std::string text, caption;
    std::vector<int> buttons;  // IDOK, IDCANCEL, IDYES, IDNO that the box shows
    bool icon = false;
    bool ownedByMain = false;  // owner is the tool's main window
    bool noOwner = false;
    bool ownerVisible = false;
    std::string log;           // the log box at that moment ("" without window)
    int progress = -1;         // the progress bar at that moment (-1 without window)
    int answer = 0;
};

struct DriveResult {
    std::vector<Box> boxes;
    bool mainSeen = false;
    bool mainVisibleAtEnd = false;
    RECT mainRect = {};
    std::string finalLog;
    int finalProgress = -1;
    bool runEnabledAtEnd = true;
    bool exited = false;
    DWORD exitCode = 0;
    std::string trouble;  // what went wrong while driving
};

// Answers a box: IDYES, IDNO or IDOK.
using Answerer = std::function<int(const Box&)>;
// Called with the main window once the run is over, before it is closed.
using AtEnd = std::function<void(HWND main)>;

// Starts "tool args"; presses Run when pressRun; answers every box; once the run
// is over (or at once without pressRun) calls atEnd and closes the window with
// Exit (if it is still open).
DriveResult Drive(const std::string& tool, const std::string& args, bool pressRun, const Answerer& answer,
                  DWORD timeoutMs = 60000, const AtEnd& atEnd = nullptr);
// The same for the tool already running as process pid (started by something
// else, such as the restart).
DriveResult DriveRunning(DWORD pid, bool pressRun, const Answerer& answer, DWORD timeoutMs = 60000);

}  // namespace tooldriver
