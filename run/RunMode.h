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
    bool takesStartFolder = false;   // the folder named on the command line, when the registry knows none
    bool schedulesOnVista = false;   // ScheduleFolderRemoval also on version 6.0
    bool preview = false;            // nothing is changed: the run says what it would do
    bool rulesForAllUsers = false;   // the rule copies go to all users' documents (else beside the tool)
    const char* restartSwitch = "";  // how the tool registered for the next logon starts
};

// The Run button's run (and the automatic start), the "-s" run, "/preview" and "/quiet".
extern const RunMode kInteractiveRun;
extern const RunMode kSilentRun;
extern const RunMode kPreviewRun;
extern const RunMode kQuietRun;

// How a run ended and what its changes came to.
struct RunOutcome {
    enum End { kNotAdministrator, kDeclined, kUnsupported, kCompleted };
    End end = kDeclined;
    bool stepFailed = false;  // a step line carries the failure suffix (the file line of a run without a folder aside)
    bool noFolder = false;    // the run went on without an install folder
    change::Tally tally;
    std::string reportPath;   // "" when no report was written
};

// The exit code of an unattended run, in the codes deployment systems read:
// 3 unsupported, 5 not an administrator; then for "/quiet": 1603 a step failed,
// 1605 nothing of the suite was there, 3010 removed with something left until
// the restart, 0 removed; for "/preview": 2 something would be removed, 0 not.
int UnattendedExitCode(const RunOutcome& outcome, bool preview);
