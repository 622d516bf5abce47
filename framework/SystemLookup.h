// What the program looks up about the system and itself at run time: functions
// that older systems lack, and its own path. In the framework, the lowest
// folder, so that the framework's own start uses them too.
#pragma once
#include <windows.h>

// The address of function in dll, a DLL of the system folder: from the module
// already loaded, else loaded from the system folder. Null when neither has it.
FARPROC SystemFunction(const char* dll, const char* function);

// The same, as a pointer of the function's type F.
template <typename F>
F SystemFunctionAs(const char* dll, const char* function) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(SystemFunction(dll, function)));
}

// The program's own full path into out; false, and out empty, when it cannot be
// read whole (a cut path would name another file).
bool OwnProgramPath(char* out, DWORD size);
