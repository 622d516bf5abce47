// The runs no one sits at: "/preview" (the interactive run previewed: what it
// would do, changing nothing), "/quiet" (the whole removal, no window, no
// message, no restart) and "/preview /quiet" (the "/quiet" run previewed,
// without the closing message).
#pragma once
#include <string>

struct UnattendedSwitches {
    bool preview = false;
    bool quiet = false;
    std::string folder;  // after the switches: the folder a restart registered, "" none
};

// Reads the argument text word by word, split at blanks, without regard to
// case: "/preview", "/quiet", or both in either order; the rest of the text
// may name a folder, as the run previewed or run takes it from its command
// line (after "/preview" alone, only a folder that is there).
// False for any other text.
bool ParseUnattendedSwitches(const char* arguments, UnattendedSwitches& switches);

// Runs the preview or the removal with every question answered by the tool
// (Yes; the restart question No, and in the interactive run's preview Yes,
// which changes nothing); a preview that is not quiet ends with one message
// box. A runtime failure from here on ends the program with 1603 and no box.
// logFile: what "/log" named (null: not given). The exit code (UnattendedExitCode).
int RunUnattended(const UnattendedSwitches& switches, const char* logFile = nullptr);
