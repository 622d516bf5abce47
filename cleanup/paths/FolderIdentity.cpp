#include "FolderIdentity.h"

#include <cstring>

#include "../../framework/Handles.h"
#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "PathText.h"

namespace folderid {

namespace {

using pathtext::BuildPath;

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool StartsWith(const char* s, const char* prefix) { return std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

// Functions that not every Windows has, looked up where they are needed.
template <typename F>
F Kernel32Function(const char* name) {
    return SystemFunctionAs<F>("kernel32.dll", name);
}
using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
using LongPathFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
using DosDeviceFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
using RedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

// Turns WoW64's file system redirection off for this thread while it lives,
// where there is any (looked up: 64-bit Windows from XP on).
class WithoutRedirection {
public:
    WithoutRedirection() {
        static const RedirectionFn disable = Kernel32Function<RedirectionFn>("Wow64DisableWow64FsRedirection");
        m_off = disable && IsWow64() && disable(&m_old);
    }
    ~WithoutRedirection() {
        static const RevertFn revert = Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection");
        if (m_off && revert) revert(m_old);
    }
    WithoutRedirection(const WithoutRedirection&) = delete;
    WithoutRedirection& operator=(const WithoutRedirection&) = delete;

private:
    PVOID m_old = nullptr;
    bool m_off = false;
};

void StripTrailingBackslashes(char* path) {
    size_t len = std::strlen(path);
    while (len > 0 && pathtext::EndsWithBackslash(path)) path[--len] = '\0';
}

// "\\?\C:\x" as "C:\x", "\\?\UNC\server\share" as "\\server\share"; plain drive
// and share paths as they are. False for every other form.
bool Unprefixed(const char* path, char* out, size_t size) {
    if (StartsWith(path, "\\\\?\\UNC\\")) return BuildPath(out, size, "\\", path + 7);
    if (StartsWith(path, "\\\\?\\")) {
        path += 4;
        if (!IsDriveLetter(path[0]) || path[1] != ':') return false;
    } else if (StartsWith(path, "\\\\.\\")) {
        return false;
    }
    return BuildPath(out, size, path);
}

FinalPathFn FinalPathFunction() {
    static const FinalPathFn finalPath = Kernel32Function<FinalPathFn>("GetFinalPathNameByHandleA");
    return IsWindowsVistaOrLater() ? finalPath : nullptr;
}

// The final path of the folder full opens; false when it cannot be opened or named.
bool FinalPath(const char* full, char* out, DWORD size) {
    const FinalPathFn finalPath = FinalPathFunction();
    if (!finalPath) return false;
    FileHandle folder(::CreateFileA(full, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return false;
    char named[1040];
    DWORD n = finalPath(folder.Get(), named, sizeof named, 0);  // normalised name, DOS volume name
    if (n == 0 || n >= sizeof named) return false;
    return Unprefixed(named, out, size);
}

// full with a SUBST drive replaced by the folder it stands for ("\??\C:\x").
// Asked of NT only: looked up, since the Windows 95 family may lack it.
void ResolveSubst(char* full, DWORD size) {
    static const DosDeviceFn queryDosDevice = Kernel32Function<DosDeviceFn>("QueryDosDeviceA");
    if (!queryDosDevice || !IsWindowsNT()) return;
    for (int depth = 0; depth < 4 && IsDriveLetter(full[0]) && full[1] == ':'; ++depth) {
        char drive[3] = {full[0], ':', '\0'};
        char target[520];
        if (!queryDosDevice(drive, target, sizeof target) || !StartsWith(target, "\\??\\")) return;
        char joined[520];
        if (!BuildPath(joined, sizeof joined, target + 4, full + 2) || std::strlen(joined) >= size) return;
        std::memcpy(full, joined, std::strlen(joined) + 1);
    }
}

}  // namespace

bool CanResolveLinks() { return FinalPathFunction() != nullptr; }

bool IsLocalDrivePath(const char* path) {
    if (!path) return false;
    if (StartsWith(path, "\\\\?\\")) path += 4;
    return IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\';
}

bool ComparableFolder(const char* path, char* out, DWORD size, bool* opened) {
    if (opened) *opened = false;
    if (!path || !*path || !out || size == 0) return false;
    char plain[520], full[520];
    if (!Unprefixed(path, plain, sizeof plain)) return false;
    DWORD n = ::GetFullPathNameA(plain, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return false;
    if (FinalPath(full, out, size)) {
        StripTrailingBackslashes(out);
        if (opened) *opened = true;
        return true;
    }
    // Not on the first Windows 95: looked up, so short names are resolved where possible.
    static const LongPathFn longPath = Kernel32Function<LongPathFn>("GetLongPathNameA");
    if (longPath) {
        char longer[520];
        DWORD m = longPath(full, longer, sizeof longer);
        if (m > 0 && m < sizeof longer) std::memcpy(full, longer, m + 1);
    }
    ResolveSubst(full, sizeof full);
    if (std::strlen(full) >= size) return false;
    std::memcpy(out, full, std::strlen(full) + 1);
    StripTrailingBackslashes(out);
    return true;
}

std::vector<std::string> ComparableForms(const char* path) {
    std::vector<std::string> forms;
    auto add = [&](const char* form) {
        for (const std::string& f : forms)
            if (pathtext::EqualNoCase(f.c_str(), form)) return;
        forms.push_back(form);
    };
    char form[520], spelt[520], plain[520];
    if (!ComparableFolder(path, form, sizeof form)) return forms;
    add(form);
    DWORD n = Unprefixed(path, plain, sizeof plain) ? ::GetFullPathNameA(plain, sizeof spelt, spelt, nullptr) : 0;
    if (n == 0 || n >= sizeof spelt) return forms;
    StripTrailingBackslashes(spelt);
    add(spelt);
    // WoW64 redirects only below the Windows folder.
    char windows[520];
    UINT w = IsWow64() ? ::GetWindowsDirectoryA(windows, sizeof windows) : 0;
    if (w > 0 && w < sizeof windows && IsSameOrBelowComparable(spelt, windows)) {
        WithoutRedirection unredirected;
        if (ComparableFolder(path, form, sizeof form)) add(form);
    }
    return forms;
}

bool IsSameOrBelowComparable(const char* inner, const char* outer) {
    size_t n = std::strlen(outer);
    if (n == 0 || std::strlen(inner) < n) return false;
    // Equal bytes up to n leave inner's character boundaries where outer's are;
    // below the container, its name is followed by a backslash (a root's "C:" too).
    if (inner[n] != '\0' && inner[n] != '\\') return false;
    char head[520];
    if (n >= sizeof head) return false;
    std::memcpy(head, inner, n);
    head[n] = '\0';
    return pathtext::EqualNoCase(head, outer);
}

bool IsSameOrBelow(const char* folder, const char* container) {
    char inner[520], outer[520];
    return folder && container && ComparableFolder(folder, inner, sizeof inner) &&
           ComparableFolder(container, outer, sizeof outer) && IsSameOrBelowComparable(inner, outer);
}

bool HasLinkInPath(const char* path) {
    char full[520];
    if (!IsLocalDrivePath(path) || !Unprefixed(path, full, sizeof full)) return false;
    size_t len = std::strlen(full);
    while (len > 3 && pathtext::EndsWithBackslash(full)) full[--len] = '\0';
    // Each level past the drive root, asked without its trailing backslash (with
    // one, the system describes the folder behind a link).
    return !pathtext::ForEachLevel(full, 2, [](const char* level) {
        const DWORD attrs = ::GetFileAttributesA(level);
        return attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}

}  // namespace folderid
