// Where the running program lies.
#pragma once
#include <windows.h>

// The program's own full path into out; false, and out empty, when it cannot be
// read whole (a cut path would name another file).
bool OwnProgramPath(char* out, DWORD size);
