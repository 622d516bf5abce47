#include "OwnProgram.h"

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
