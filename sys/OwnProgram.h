// Where the running program lies (OwnProgramPath, read in the framework), and
// the folder it stands for.
#pragma once
#include <windows.h>

#include "../framework/SystemLookup.h"

// The tool's folder: where the user started it from, without a trailing
// backslash. That is the program's own folder, unless the program is the copy
// it relaunched itself from and was told the original folder (SetToolFolder).
// False, and out empty, when it cannot be had whole.
bool ToolFolder(char* out, DWORD size);
// Makes folder the tool's folder for the rest of the process.
void SetToolFolder(const char* folder);
// True when SetToolFolder has named another folder: this is the copy a tool
// started elsewhere relaunched itself from.
bool IsRelaunchedCopy();
