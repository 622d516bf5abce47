#include "OwnProgram.h"

#include <cstring>
#include <string>

#include "../cleanup/paths/PathText.h"

namespace {
std::string g_toolFolder;  // "" until SetToolFolder: the program's own folder
}

bool ToolFolder(char* out, DWORD size) {
    if (size == 0) return false;
    if (!g_toolFolder.empty()) {
        if (g_toolFolder.size() >= size) return out[0] = '\0', false;
        std::memcpy(out, g_toolFolder.c_str(), g_toolFolder.size() + 1);
        return true;
    }
    if (!OwnProgramPath(out, size)) return false;
    const char* last = pathtext::LastBackslash(out);
    if (!last) return out[0] = '\0', false;
    out[last - out] = '\0';
    return true;
}

void SetToolFolder(const char* folder) { g_toolFolder = folder ? folder : ""; }

bool IsRelaunchedCopy() { return !g_toolFolder.empty(); }
