// The ways a removal runs, stated once as named fields, and what a run ends with.
#pragma once
#include <string>

#include "../cleanup/change/ChangeSession.h"

struct RunMode {
    const char* name = "";           // as the report names it
    bool hasWindow = false;          // Run button disabled, log box refreshes, progress positions
    bool asksFirst = false;          // administrator test on NT and the start question (102)
    bool showsProblems = false;      // the unsupported-system message and the final 110
    bool hasCaptions = false;        // questions captioned 103 (else the empty caption)
    bool deletesProductKeys = false; // DeleteProductKeys; otherwise DeleteUpdateKey only
    bool asksBeforeFiles = false;    // question 109 before the file step
    bool personAnswers = false;      // a person sees the questions (else the host answers them)
    bool trustsUserFolder = false;   // 109 names the folder to a person: one only a per-user value names is taken
    bool takesStartFolder = false;   // the folder named on the command line, when the registry knows none
    bool schedulesOnVista = false;   // ScheduleFolderRemoval also on version 6.0
    bool preview = false;            // nothing is changed: the run says what it would do
    bool rulesForAllUsers = false;   // the rule copies go to all users' documents (else beside the tool)
    const char* restartSwitch = "";  // how the tool registered for the next logon starts
    int exitCode = -1;               // the code the tool always ends with after this run; -1 judged by the outcome
};

// The Run button's run (and the automatic start), the "-s" run and "/quiet";
// "/preview" previews the interactive run and "/preview /quiet" the "/quiet"
// run, each deciding exactly as the run it previews.
extern const RunMode kInteractiveRun;
extern const RunMode kSilentRun;
extern const RunMode kQuietRun;
extern const RunMode kInteractivePreviewRun;
extern const RunMode kQuietPreviewRun;
// The preview a deployment system runs: kQuietPreviewRun.
extern const RunMode& kPreviewRun;

// How a run ended and what its changes came to.
struct RunOutcome {
    enum End { kNotAdministrator, kDeclined, kUnsupported, kCompleted };
    End end = kDeclined;
    bool stepFailed = false;  // a step line carries the failure suffix (the file line of a run without a folder aside)
    bool noFolder = false;    // the run went on without an install folder
    change::Tally tally;
    std::string reportPath;   // "" when no report was written
};

// The exit code of an unattended run, in the codes deployment systems read,
// judged by what is still on the machine: 3 unsupported, 5 not an
// administrator, 1602 declined by the person at the machine; then for
// "/quiet": 1603 an item of the suite left (not going at the restart), a change
// refused or a step failed, 3010 something left until the restart, 1605
// nothing of the suite was there, 0 removed; for "/preview": 2 something of the
// suite is there, 0 not.
int UnattendedExitCode(const RunOutcome& outcome, bool preview);
// The code a run of mode ends with: the "-s" run's 1, else UnattendedExitCode
// (for a run with a window, the code the same run would end with unattended).
int RunExitCode(const RunMode& mode, const RunOutcome& outcome);
