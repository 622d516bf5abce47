#include "HeldFiles.h"

#include <cstring>

#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../paths/FolderIdentity.h"
#include "../paths/PathText.h"
#include "../report/RunReport.h"

namespace change {

namespace {

using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
using LongPathFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

// ntdll's file information calls: on every NT, never on the Windows 95 family.
struct IoStatus {
    LONG status;
    ULONG_PTR information;
};
using SetInformationFn = LONG(WINAPI*)(HANDLE, IoStatus*, void*, ULONG, ULONG);
using StatusToErrorFn = ULONG(WINAPI*)(LONG);
const ULONG kFileBasicInformation = 4;
const ULONG kFileDispositionInformation = 13;

struct BasicInformation {
    LARGE_INTEGER creation, lastAccess, lastWrite, change;  // 0: left as they are
    DWORD attributes;
};

// Sets one class of information on handle; the system's error on failure.
bool SetInformation(HANDLE handle, void* data, ULONG size, ULONG kind) {
    static const SetInformationFn set = SystemFunctionAs<SetInformationFn>("ntdll.dll", "NtSetInformationFile");
    static const StatusToErrorFn toError = SystemFunctionAs<StatusToErrorFn>("ntdll.dll", "RtlNtStatusToDosError");
    if (!set || !toError) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    IoStatus io = {};
    const LONG status = set(handle, &io, data, size, kind);
    if (status >= 0) return true;
    ::SetLastError(toError(status));
    return false;
}

// The path a handle opens, as the system names it ("\\?\" taken off), or "".
std::string FinalPathOf(HANDLE handle) {
    static const FinalPathFn finalPath = SystemFunctionAs<FinalPathFn>("kernel32.dll", "GetFinalPathNameByHandleA");
    char named[1040];
    const DWORD n = finalPath ? finalPath(handle, named, sizeof named, 0) : 0;
    if (n == 0 || n >= sizeof named) return "";
    const char* text = std::strncmp(named, "\\\\?\\", 4) == 0 ? named + 4 : named;
    std::string out = text;
    while (out.size() > 3 && pathtext::EndsWithBackslash(out.c_str())) out.erase(out.size() - 1);
    return out;
}

bool Matches(const std::string& opened, const std::string& folder, const char* leaf) {
    const std::string expected = folder + (pathtext::EndsWithBackslash(folder.c_str()) ? "" : "\\") + leaf;
    return pathtext::EqualNoCase(opened.c_str(), expected.c_str());
}

}  // namespace

bool IsOwnEntry(HANDLE handle, const char* path) {
    if (!folderid::CanResolveLinks()) return true;
    char folder[520];
    if (!pathtext::BuildPath(folder, sizeof folder, path)) return false;
    size_t len = std::strlen(folder);
    while (len > 3 && pathtext::EndsWithBackslash(folder)) folder[--len] = '\0';
    char* last = const_cast<char*>(pathtext::LastBackslash(folder));
    if (!last || !last[1]) return false;
    char leaf[260];
    if (!pathtext::BuildPath(leaf, sizeof leaf, last + 1)) return false;
    last[last - folder == 2 ? 1 : 0] = '\0';  // "C:\x" has the folder "C:\"
    // The folder as it opens (following links: the entry must be in whatever it is).
    FileHandle opened(::CreateFileA(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::string parent = opened ? FinalPathOf(opened.Get()) : "";
    const std::string self = FinalPathOf(handle);
    if (parent.empty() || self.empty()) return false;
    if (Matches(self, parent, leaf)) return true;
    // A short (8.3) name: compared in its long form.
    static const LongPathFn longPath = SystemFunctionAs<LongPathFn>("kernel32.dll", "GetLongPathNameA");
    char full[520];
    const DWORD n = longPath ? longPath(path, full, sizeof full) : 0;
    if (n == 0 || n >= sizeof full) return false;
    const char* longLeaf = pathtext::LastBackslash(full);
    return longLeaf && Matches(self, parent, longLeaf + 1);
}

bool HoldsByHandle() { return IsWindowsNT() != 0; }

FileHandle OpenChecked(const char* path, DWORD access, DWORD share, bool folder) {
    // Asked without trailing backslashes: with one, the system opens what a link names.
    char bare[520];
    if (!pathtext::BuildPath(bare, sizeof bare, path)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FileHandle();
    }
    size_t len = std::strlen(bare);
    while (len > 3 && pathtext::EndsWithBackslash(bare)) bare[--len] = '\0';
    path = bare;
    const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    FileHandle handle(::CreateFileA(path, access, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!handle) return handle;
    BY_HANDLE_FILE_INFORMATION info;
    const bool own = ::GetFileInformationByHandle(handle.Get(), &info) &&
                     !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                     ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder &&
                     IsOwnEntry(handle.Get(), path);
    if (own) return handle;
    handle.Close();
    ::SetLastError(ERROR_CANT_ACCESS_FILE);
    return handle;
}

BOOL DeleteOnClose(HANDLE handle, bool resetAttributes) {
    // Only now, after the checks: a deletion once set on a handle cannot be
    // taken back (as FILE_FLAG_DELETE_ON_CLOSE cannot).
    if (resetAttributes) {
        BasicInformation basic = {};
        basic.attributes = FILE_ATTRIBUTE_NORMAL;
        SetInformation(handle, &basic, sizeof basic, kFileBasicInformation);  // a read-only entry refuses deletion
    }
    BOOLEAN remove = TRUE;
    return SetInformation(handle, &remove, sizeof remove, kFileDispositionInformation) ? TRUE : FALSE;
}

HeldFolder::HeldFolder(const char* path)
    : m_handle(path ? OpenChecked(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, true)
                    : FileHandle()) {}

bool HeldWay::Add(const char* path) {
    m_held.emplace_back(path);
    if (m_held.back().Held()) return true;
    KeepLastError keep;
    m_held.pop_back();
    return false;
}

}  // namespace change
