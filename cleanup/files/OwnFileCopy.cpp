#include "OwnFileCopy.h"

#include <cstring>

#include "../../framework/Handles.h"
#include "../../sys/OsInfo.h"
#include "PathText.h"

namespace {

// Refuses (with the error OwnFileCopy.h names) a destination that is not a file
// of a single name.
bool IsOwnFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info)) return false;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    if (info.nNumberOfLinks > 1) {
        ::SetLastError(ERROR_TOO_MANY_LINKS);
        return false;
    }
    return true;
}

}  // namespace

BOOL CopyToOwnFile(const char* source, const char* destination) {
    if (!source || !destination) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    FileHandle from(::CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from) return FALSE;
    // The link itself is opened, not what it names: asked only of NT, whose
    // file systems have links (the Windows 95 family refuses the flag).
    const DWORD linkFlag = IsWindowsNT() ? FILE_FLAG_OPEN_REPARSE_POINT : 0;
    FileHandle to(::CreateFileA(destination, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | linkFlag,
                                nullptr));
    if (!to || !IsOwnFile(to.Get())) return FALSE;
    char buffer[32768];
    for (;;) {
        DWORD read = 0, written = 0;
        if (!::ReadFile(from.Get(), buffer, sizeof buffer, &read, nullptr)) return FALSE;
        if (read == 0) break;
        if (!::WriteFile(to.Get(), buffer, read, &written, nullptr) || written != read) return FALSE;
    }
    if (!::SetEndOfFile(to.Get())) return FALSE;
    FILETIME created, accessed, modified;
    if (::GetFileTime(from.Get(), &created, &accessed, &modified)) ::SetFileTime(to.Get(), &created, &accessed, &modified);
    return TRUE;
}

bool MakeOwnFolder(const char* base, const char* folder) {
    if (!base || !folder) return false;
    const size_t start = std::strlen(base);
    char path[520];
    if (std::strncmp(base, folder, start) != 0 || !pathtext::BuildPath(path, sizeof path, folder)) return false;
    // Each level is asked without its trailing backslash (with one, the system
    // describes the folder behind a link).
    return pathtext::ForEachLevel(path, start, [](const char* level) {
        ::CreateDirectoryA(level, nullptr);  // one that is there already is looked at below
        const DWORD attrs = ::GetFileAttributesA(level);
        return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) &&
               !(attrs & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}
