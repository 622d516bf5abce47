// The program's entry point in place of the C runtime's start-up code: runs the
// constructors of static objects, calls WinMain and ends through msvcrt's exit,
// which runs the destructors registered with atexit and ends the process.
#include <windows.h>

#include <cstdlib>

#include "ProgramArguments.h"

extern "C" {
// The linker's list of static constructors: -1, the constructors, 0.
extern void (*__CTOR_LIST__[])();
// msvcrt: the kind of program its run-time error messages are shown for.
void __cdecl __set_app_type(int type);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show);

// The compiler registers each static object's destructor here. msvcrt's
// _onexit keeps them in the table that exit() runs, last registered first.
extern "C" int __cdecl atexit(void(__cdecl* function)()) {
    return _onexit(reinterpret_cast<_onexit_t>(function)) ? 0 : -1;
}

namespace {

const int kGuiApp = 2;  // msvcrt shows its error messages in a message box

// In reverse order of the list, as the compiler's own start-up runs them.
void RunConstructors() {
    int count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    for (int i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

// How the starting program asked the main window to be shown.
int ShowCommand() {
    STARTUPINFOA info = {};
    info.cb = sizeof info;
    ::GetStartupInfoA(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

extern "C" void WinMainCRTStartup() {
    __set_app_type(kGuiApp);
    RunConstructors();
    int code = WinMain(::GetModuleHandleA(nullptr), nullptr, ProgramArguments(::GetCommandLineA()), ShowCommand());
    std::exit(code);
}
