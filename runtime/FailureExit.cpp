#include "FailureExit.h"

#include <windows.h>

#include <cstdlib>

extern "C" void __cdecl __set_app_type(int type);

namespace {

const int kConsoleApp = 1;  // msvcrt writes its run-time errors to the standard error
int g_code = 0;             // 0: a person is at the machine

}  // namespace

void EndRuntimeFailuresWith(int code) {
    g_code = code;
    __set_app_type(kConsoleApp);
}

void EndOnRuntimeFailure() {
    if (g_code) ::ExitProcess(static_cast<UINT>(g_code));
    std::abort();
}
