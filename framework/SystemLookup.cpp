#include "SystemLookup.h"

#include <cstring>

FARPROC SystemFunction(const char* dll, const char* function) {
    HMODULE module = ::GetModuleHandleA(dll);
    if (!module) {
        // By full path: never a same-named DLL beside the program.
        char path[MAX_PATH];
        UINT n = ::GetSystemDirectoryA(path, MAX_PATH);
        if (n == 0 || n + 1 + std::strlen(dll) >= MAX_PATH) return nullptr;
        path[n] = '\\';
        std::strcpy(path + n + 1, dll);
        module = ::LoadLibraryA(path);
    }
    return module ? ::GetProcAddress(module, function) : nullptr;
}

bool OwnProgramPath(char* out, DWORD size) {
    if (size == 0) return false;
    const DWORD n = ::GetModuleFileNameA(nullptr, out, size);
    if (n == 0 || n >= size) {
        out[0] = '\0';
        return false;
    }
    out[n] = '\0';
    return true;
}
