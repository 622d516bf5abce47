#include "RunMode.h"

namespace {

RunMode Interactive() {
    RunMode m;
    m.name = "interactive";
    m.hasWindow = m.asksFirst = m.showsProblems = m.hasCaptions = m.deletesProductKeys = true;
    m.asksBeforeFiles = m.personAnswers = m.trustsUserFolder = m.takesStartFolder = m.schedulesOnVista = true;
    return m;
}

RunMode Silent() {
    RunMode m;
    m.name = "silent (-s)";
    m.personAnswers = true;  // 107 and 125 are still asked
    m.exitCode = 1;
    return m;
}

// The interactive run with no one at the machine: no window, no message, no
// restart; it starts itself again the same way after the restart. Deployment
// systems start it from a folder they empty afterwards: the user's rules are
// kept where all the machine's users find them.
RunMode Quiet() {
    RunMode m = Interactive();
    m.name = "quiet (/quiet)";
    m.hasWindow = m.personAnswers = m.trustsUserFolder = false;
    m.rulesForAllUsers = true;
    m.restartSwitch = "/quiet";
    return m;
}

// The run m, previewed: nothing is changed, and the tool answers every question.
RunMode Preview(RunMode m, const char* name) {
    m.name = name;
    m.hasWindow = m.personAnswers = false;
    m.preview = true;
    return m;
}

}  // namespace

const RunMode kInteractiveRun = Interactive();
const RunMode kSilentRun = Silent();
const RunMode kQuietRun = Quiet();
const RunMode kInteractivePreviewRun =
    Preview(Interactive(), "preview of the interactive run (/preview): nothing is changed");
const RunMode kQuietPreviewRun = Preview(Quiet(), "preview of the quiet run (/preview /quiet): nothing is changed");
const RunMode& kPreviewRun = kQuietPreviewRun;

int UnattendedExitCode(const RunOutcome& outcome, bool preview) {
    if (outcome.end == RunOutcome::kUnsupported) return 3;
    if (outcome.end == RunOutcome::kNotAdministrator) return 5;
    if (outcome.end == RunOutcome::kDeclined) return 1602;
    const change::Tally& t = outcome.tally;
    const bool found = t.removed > 0 || t.pending > 0 || t.left > 0;
    if (preview) return found ? 2 : 0;
    if (outcome.stepFailed || t.left > 0 || t.failed > 0) return 1603;
    if (t.pending > 0) return 3010;
    return found ? 0 : 1605;
}

int RunExitCode(const RunMode& mode, const RunOutcome& outcome) {
    if (mode.exitCode >= 0) return mode.exitCode;
    return UnattendedExitCode(outcome, mode.preview);
}
