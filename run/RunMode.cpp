#include "RunMode.h"

namespace {

RunMode Interactive() {
    RunMode m;
    m.name = "interactive";
    m.hasWindow = m.asksFirst = m.showsProblems = m.hasCaptions = m.deletesProductKeys = true;
    m.asksBeforeFiles = m.personAnswers = m.takesStartFolder = m.schedulesOnVista = true;
    return m;
}

RunMode Silent() {
    RunMode m;
    m.name = "silent (-s)";
    m.personAnswers = true;  // 107 and 125 are still asked
    return m;
}

// The interactive run with every question answered Yes by the tool itself,
// changing nothing.
RunMode Preview() {
    RunMode m = Interactive();
    m.name = "preview (/preview): nothing is changed";
    m.hasWindow = m.personAnswers = m.takesStartFolder = false;
    m.preview = true;
    return m;
}

// The interactive run with no one at the machine: no window, no message, no
// restart; it starts itself again the same way after the restart. Deployment
// systems start it from a folder they empty afterwards: the user's rules are
// kept where all the machine's users find them.
RunMode Quiet() {
    RunMode m = Interactive();
    m.name = "quiet (/quiet)";
    m.hasWindow = m.personAnswers = false;
    m.rulesForAllUsers = true;
    m.restartSwitch = "/quiet";
    return m;
}

}  // namespace

const RunMode kInteractiveRun = Interactive();
const RunMode kSilentRun = Silent();
const RunMode kPreviewRun = Preview();
const RunMode kQuietRun = Quiet();

int UnattendedExitCode(const RunOutcome& outcome, bool preview) {
    if (outcome.end == RunOutcome::kUnsupported) return 3;
    if (outcome.end == RunOutcome::kNotAdministrator) return 5;
    const change::Tally& t = outcome.tally;
    const bool found = t.removed > 0 || t.pending > 0;
    if (preview) return found ? 2 : 0;
    if (outcome.stepFailed) return 1603;
    if (!found) return 1605;
    return t.pending > 0 ? 3010 : 0;
}
