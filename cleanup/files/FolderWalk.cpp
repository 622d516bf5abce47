#include "FolderWalk.h"

#include <cstring>
#include "../report/RunReport.h"

namespace folderwalk {

bool IsReparseFolder(const char* folder) {
    if (!folder || !*folder) return false;
    // Asked with a trailing backslash, the system describes the folder behind a link.
    char bare[520];
    if (!pathtext::BuildPath(bare, sizeof bare, folder)) return false;
    size_t len = std::strlen(bare);
    if (len > 3 && pathtext::EndsWithBackslash(bare)) bare[len - 1] = '\0';
    DWORD attrs = ::GetFileAttributesA(bare);
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void DeleteNormalFile(const char* path) {
    ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    report::FileDeleted(path, ::DeleteFileA(path));
}

bool SkipsLink(const char* folder, const WIN32_FIND_DATAA& fd) {
    if (!IsReparsePoint(fd)) return false;
    report::Note("  link %s\\%s: skipped, not followed", folder, fd.cFileName);
    return true;
}

bool ComparableFolder(const char* path, char* out, DWORD size) {
    using pathtext::BuildPath;
    // "\\?\C:\x" names C:\x; "\\?\UNC\server\share" names \\server\share.
    char unprefixed[520];
    if (std::strncmp(path, "\\\\?\\UNC\\", 8) == 0) {
        if (!BuildPath(unprefixed, sizeof unprefixed, "\\", path + 7)) return false;
        path = unprefixed;
    } else if (std::strncmp(path, "\\\\?\\", 4) == 0 || std::strncmp(path, "\\\\.\\", 4) == 0) {
        path += 4;
    }
    DWORD n = ::GetFullPathNameA(path, size, out, nullptr);
    if (n == 0 || n >= size) return false;
    // Not on the first Windows 95: looked up, so short names are resolved where possible.
    typedef DWORD(WINAPI * LongPathFn)(LPCSTR, LPSTR, DWORD);
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    auto longPath = kernel ? reinterpret_cast<LongPathFn>(
                                 reinterpret_cast<void*>(::GetProcAddress(kernel, "GetLongPathNameA")))
                           : nullptr;
    if (longPath) {
        char full[520];
        DWORD m = longPath(out, full, sizeof full);
        if (m > 0 && m < sizeof full && m < size) std::memcpy(out, full, m + 1);
    }
    size_t len = std::strlen(out);
    while (len > 0 && pathtext::EndsWithBackslash(out)) out[--len] = '\0';
    return true;
}

bool IsSameOrBelow(const char* folder, const char* container) {
    char inner[520], outer[520];
    if (!folder || !container || !ComparableFolder(folder, inner, sizeof inner) ||
        !ComparableFolder(container, outer, sizeof outer))
        return false;
    size_t n = std::strlen(outer);
    if (n == 0 || std::strlen(inner) < n) return false;
    // Equal bytes up to n leave inner's character boundaries where outer's are;
    // below the container, its name is followed by a backslash (a root's "C:" too).
    if (inner[n] != '\0' && inner[n] != '\\') return false;
    char head = inner[n];
    inner[n] = '\0';
    bool same = pathtext::EqualNoCase(inner, outer);
    inner[n] = head;
    return same;
}

}  // namespace folderwalk
