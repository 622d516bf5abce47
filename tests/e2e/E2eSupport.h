// End-to-end support: a seeded installation of the suite, a driver that uses the
// real tool as a person would, and a probe of what is left afterwards.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace e2e {

// Where everything of one scenario lives (all below C:\tolmtest\e2e).
constexpr char kRoot[] = "C:\\tolmtest\\e2e";
constexpr char kToolDir[] = "C:\\tolmtest\\e2e\\tool";
constexpr char kProcDir[] = "C:\\tolmtest\\e2e\\procs";

struct SeedOptions {
    std::string installDir;  // "" leaves no install location in the registry
    bool services = true;    // QWatchSvc and QPfwSvc, running
    bool processes = true;   // the six resident programs and two decoys
    bool holdFile = false;   // a file in the program folder held open by this process
};

// The suite as installed: laid down by Seed, taken away (with whatever the tool
// wrote) by Unseed, so that the prefix is left as it was found.
class Installation {
public:
    explicit Installation(const SeedOptions& options);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;
    bool Seed(std::string* why);
    void ReleaseHeldFile();

private:
    SeedOptions m_opt;
    HANDLE m_held = INVALID_HANDLE_VALUE;
    std::vector<HANDLE> m_children;
};
// Takes away everything Seed may have laid down and the tool may have written.
void Unseed();
// Copies the tool under test to kToolDir and returns the copy's path.
std::string InstallToolCopy();

// Every item the probe knows, present (true) or gone.
using Probe = std::map<std::string, bool>;
Probe ProbeMachine(const std::string& installDir);
// "" when every item of want has the wanted state, else the differences.
std::string Differences(const Probe& have, const std::map<std::string, bool>& want);
// The value of HKLM RunOnce\name, or "<none>".
std::string RunOnceValue(const char* name);

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
// Exit (if it is still open). All waits bounded.
DriveResult Drive(const std::string& tool, const std::string& args, bool pressRun, const Answerer& answer,
                  DWORD timeoutMs = 60000, const AtEnd& atEnd = nullptr);
// The same for the tool that is already running as process pid (started by
// something else, such as the restart).
DriveResult DriveRunning(DWORD pid, bool pressRun, const Answerer& answer, DWORD timeoutMs = 60000);
// Text of identifier id as the catalogue spells it for language lang ("ja"/"zh"),
// in the ANSI code page; "" for an absent entry.
std::string Msg(int id, const std::string& lang);
// The tool's own string id, loaded from its resources as it would load it.
std::string ToolString(const std::string& tool, int id);

}  // namespace e2e
