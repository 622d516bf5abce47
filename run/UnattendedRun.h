// The runs no one sits at: "/preview" (what a removal would do, changing
// nothing), "/quiet" (the whole removal, no window, no message, no restart) and
// "/preview /quiet" (the preview without its closing message).
#pragma once
#include <string>

struct UnattendedSwitches {
    bool preview = false;
    bool quiet = false;
    std::string folder;  // after "/quiet": the folder a restart registered, "" none
};

// Reads the argument text word by word, split at blanks, without regard to
// case: "/preview", "/quiet", or both in either order; after "/quiet" the rest
// of the text may name a folder. False for any other text.
bool ParseUnattendedSwitches(const char* arguments, UnattendedSwitches& switches);

// Runs the preview or the removal with every question answered by the tool
// (Yes; the restart question No, and in a preview Yes, which changes nothing);
// a preview that is not quiet ends with one message box. logFile: what "/log"
// named (null: not given). The exit code (UnattendedExitCode).
int RunUnattended(const UnattendedSwitches& switches, const char* logFile = nullptr);
