// What the command line asks for, read once when the tool starts: the
// application object, the main window and the runs each take their part here.
#pragma once
#include <string>

#include "UnattendedRun.h"

struct StartRequest {
    bool silentRun = false;       // the arguments are exactly "-s", in any case
    bool automaticStart = false;  // the whole command line holds " /silent" (case-sensitive)
    bool unattended = false;      // neither of those, and the rest reads as switches says
    UnattendedSwitches switches;
    bool logNamed = false;        // "/log" was given
    std::string logFile;          // the name after "/log" as given ("" when none followed)
    std::string arguments;        // the arguments without "/log <file>": may name a folder
};

// Reads a command line as GetCommandLineA gives it (the program's path first).
// "/log <file>" is taken out of the arguments first, wherever it stands, and
// the rest goes to the switches' own readers; "-s" and " /silent" keep their
// tests on the text as given.
StartRequest ReadStartRequest(const char* commandLine);

// This process's request, read from GetCommandLineA at the first call.
const StartRequest& ThisStartRequest();

// Takes the first word "/log" (any case) and the name after it out of
// arguments: the name is quoted ("...", blanks and all) or ends at a blank.
// True when the word was there; file is then the name ("" none), rest what is
// left, the two sides joined by one blank.
bool TakeLogSwitch(const std::string& arguments, std::string& rest, std::string& file);
