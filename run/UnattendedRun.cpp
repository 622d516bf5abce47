#include "UnattendedRun.h"

#include <windows.h>

#include <cstring>

#include "../cleanup/paths/PathText.h"
#include "../framework/AfxApp.h"
#include "../res/resource.h"
#include "../runtime/FailureExit.h"
#include "RunSequence.h"
#include "SystemOperations.h"

namespace {

// The window's stand-in: answers every question as the mode says and keeps
// the message that stopped the run, if one did.
class UnattendedHost : public RunHost {
public:
    explicit UnattendedHost(bool restarts) : m_restarts(restarts) {}
    int Message(UINT id, const char* text, const char*, UINT type) override {
        if ((type & MB_TYPEMASK) != MB_YESNO) {
            if (id == IDS_NOT_ADMIN || id == IDS_OS_PREFIX) m_stop = text;
            return IDOK;
        }
        return id == IDS_ASK_RESTART && !m_restarts ? IDNO : IDYES;
    }
    void AppendLog(const CString&) override {}
    void RefreshLog() override {}
    void SetProgress(int) override {}
    void DisableRunButton() override {}
    void PostQuit(int) override {}  // the exit code comes from the outcome
    const std::string& StopMessage() const { return m_stop; }

private:
    bool m_restarts;  // the restart question is answered Yes
    std::string m_stop;
};

// The next word of text at *at (after blanks), moved past; "" at the end.
std::string NextWord(const char*& at) {
    while (*at == ' ' || *at == '\t') ++at;
    const char* start = at;
    while (*at && *at != ' ' && *at != '\t') ++at;
    return std::string(start, at - start);
}

bool Is(const std::string& word, const char* name) { return pathtext::EqualNoCase(word.c_str(), name); }

void ShowPreviewResult(const RunOutcome& outcome, const std::string& stop) {
    CString text;
    if (!stop.empty()) {
        text = stop.c_str();
    } else {
        CString format;
        format.LoadString(outcome.reportPath.empty() ? IDS_PREVIEW_NO_REPORT : IDS_PREVIEW_DONE);
        text.Format(format, outcome.tally.removed, outcome.reportPath.c_str());
    }
    ::MessageBoxA(nullptr, text, AfxGetAppName(), MB_OK | (stop.empty() ? MB_ICONINFORMATION : MB_ICONHAND));
}

}  // namespace

bool ParseUnattendedSwitches(const char* arguments, UnattendedSwitches& switches) {
    if (!arguments) return false;
    const char* at = arguments;
    UnattendedSwitches s;
    for (;;) {
        const char* before = at;
        const std::string word = NextWord(at);
        if (Is(word, "/preview") && !s.preview) {
            s.preview = true;
        } else if (Is(word, "/quiet") && !s.quiet) {
            s.quiet = true;
        } else {
            at = before;
            break;
        }
    }
    if (!s.preview && !s.quiet) return false;
    // The rest names a folder, blanks and all, as the restart registers it.
    while (*at == ' ' || *at == '\t') ++at;
    std::string rest = at;
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
    // Another switch after "/preview" opens the window, as after no switch; a
    // run no one sits at never waits at a window: "/quiet" takes the rest as a
    // folder, which the run uses only when it is one.
    if (!s.quiet && !rest.empty() && rest[0] == '/') return false;
    // The interactive run takes a folder that is there and opens its window
    // for any other text; so does its preview.
    const DWORD attrs = rest.empty() ? FILE_ATTRIBUTE_DIRECTORY : ::GetFileAttributesA(rest.c_str());
    if (!s.quiet && (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY))) return false;
    s.folder = rest;
    switches = s;
    return true;
}

int RunUnattended(const UnattendedSwitches& switches, const char* logFile) {
    EndRuntimeFailuresWith(1603);  // no box may hold a run that nobody watches
    // "/preview" alone previews the interactive run, whose restart question a
    // person may answer Yes; "/quiet" never restarts.
    UnattendedHost host(switches.preview && !switches.quiet);
    SystemOperations ops(switches.folder.c_str(), logFile);
    const RunMode& mode = !switches.preview ? kQuietRun : switches.quiet ? kQuietPreviewRun : kInteractivePreviewRun;
    const RunOutcome outcome = RunUninstall(mode, host, ops);
    if (switches.preview && !switches.quiet) ShowPreviewResult(outcome, host.StopMessage());
    return UnattendedExitCode(outcome, switches.preview);
}
