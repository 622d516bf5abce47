#include "ProductRemoval.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <initializer_list>

#include "../../framework/AfxString.h"
#include "../../res/resource.h"
#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../report/RunReport.h"
#include "FolderRemoval.h"
#include "FolderWalk.h"
#include "NameTables.h"

using pathtext::BuildPath;
using pathtext::EndsWithBackslash;
using pathtext::EqualNoCase;
using pathtext::LastBackslash;

namespace {

// The first three characters of the system directory (such as C:\), or false.
bool SystemDriveRoot(char (&root)[4]) {
    char system[520];
    UINT n = ::GetSystemDirectoryA(system, sizeof system);
    if (n < 3 || n >= sizeof system) return false;
    std::memcpy(root, system, 3);
    root[3] = '\0';
    return true;
}

// Folders the system names for programs, profiles and user data: each is
// refused, and so is any folder that holds one of them below it. Those a
// system does not know are skipped.
const int kProtectedShellFolders[] = {
    CSIDL_PROGRAM_FILES,           CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_PROFILE,                 CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL,             CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,           CSIDL_COMMON_APPDATA,   CSIDL_COMMON_DOCUMENTS,     CSIDL_WINDOWS,
    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_SYSTEM,
};
// The 64-bit program folders, which a 32-bit program learns only from these.
const char* const kProtectedFolderVariables[] = {"ProgramW6432", "CommonProgramW6432"};

// True when dir (in its comparable form) lies directly in the folder that holds
// profile: another user's profile.
bool IsBesideProfile(const char* dir, const char* profile) {
    char parent[520], profiles[520];
    if (!BuildPath(parent, sizeof parent, dir) || !folderwalk::ComparableFolder(profile, profiles, sizeof profiles))
        return false;
    const char* a = LastBackslash(parent);
    const char* b = LastBackslash(profiles);
    if (!a || !b) return false;
    parent[a - parent] = '\0';
    profiles[b - profiles] = '\0';
    return EqualNoCase(parent, profiles);
}

// True for a folder the removal must never clean: a drive or share root, the
// Windows or system folder, a program-files, profile or user-data folder of the
// system or a folder holding one of them; also any relative path.
bool IsProtectedFolder(const char* installDirectory) {
    // Only an absolute path names one folder whatever the current directory is.
    const char* p = installDirectory;
    bool drivePath = ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':' && p[2] == '\\';
    if (!drivePath && !(p[0] == '\\' && p[1] == '\\')) return true;
    char dir[520];
    if (!folderwalk::ComparableFolder(installDirectory, dir, sizeof dir)) return true;
    size_t len = std::strlen(dir);
    if (len <= 2) return true;  // "C:" or nothing
    if (dir[0] == '\\' && dir[1] == '\\') {
        // \\server\share is a root; a folder inside it has a third backslash.
        const char* share = std::strchr(dir + 2, '\\');
        if (!share || !std::strchr(share + 1, '\\')) return true;
    }

    char system[520];
    UINT n = ::GetSystemDirectoryA(system, sizeof system);
    if (n == 0 || n >= sizeof system) return true;
    char candidates[4][520] = {};
    BuildPath(candidates[0], sizeof candidates[0], system);
    BuildPath(candidates[1], sizeof candidates[1], system);
    if (const char* cut = LastBackslash(candidates[1])) candidates[1][cut - candidates[1]] = '\0';
    UINT w = ::GetWindowsDirectoryA(candidates[2], sizeof candidates[2]);
    if (w == 0 || w >= sizeof candidates[2]) candidates[2][0] = '\0';
    char root[4] = {system[0], system[1], system[2], '\0'};
    BuildPath(candidates[3], sizeof candidates[3], root, "Program Files");
    for (const auto& candidate : candidates)
        if (candidate[0] && folderwalk::IsSameOrBelow(candidate, dir)) return true;

    for (int csidl : kProtectedShellFolders) {
        char folder[MAX_PATH] = {};
        if (!GetSpecialFolderPath(nullptr, folder, csidl, FALSE) || !folder[0]) continue;
        if (folderwalk::IsSameOrBelow(folder, dir)) return true;
        // Another user's profile lies beside this user's, in the profiles root.
        if (csidl == CSIDL_PROFILE && IsBesideProfile(dir, folder)) return true;
    }
    for (const char* name : kProtectedFolderVariables) {
        char folder[520];
        DWORD m = ::GetEnvironmentVariableA(name, folder, sizeof folder);
        if (m > 0 && m < sizeof folder && folderwalk::IsSameOrBelow(folder, dir)) return true;
    }
    return false;
}

// The last component of the install directory, compared with the folder names
// that are emptied completely.
bool IsFullClearingFolder(const char* installDirectory) {
    char dir[261];
    if (!BuildPath(dir, sizeof dir, installDirectory)) return false;
    size_t len = std::strlen(dir);
    if (len > 0 && EndsWithBackslash(dir)) dir[len - 1] = '\0';
    const char* last = LastBackslash(dir);
    const char* name = last ? last + 1 : dir;
    return EqualNoCase(name, "ZRP2006") || EqualNoCase(name, "ZRP2007");
}

}  // namespace

int RemoveInstallerRecordFolder(const char* productCode) {
    char root[4];
    if (!SystemDriveRoot(root)) return 0;
    if (!productCode || !*productCode) return 1;
    char folder[520];
    if (!BuildPath(folder, sizeof folder, root, "Program Files\\InstallShield Installation Information\\",
                   productCode))
        return 1;
    for (int i = 0; InstallerCacheFileNames[i][0] != '\0'; ++i) {
        char path[520];
        if (!BuildPath(path, sizeof path, folder, "\\", InstallerCacheFileNames[i])) continue;
        // Only a file that exists has attributes to reset.
        if (::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) report::FileDeleted(path, ::DeleteFileA(path));
    }
    ::SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
    report::FolderRemoved(folder, ::RemoveDirectoryA(folder));  // only goes when nothing else is left in it
    return 1;
}

bool IsRefusedProductFolder(const char* installDirectory) {
    return !installDirectory || !*installDirectory || IsProtectedFolder(installDirectory) ||
           folderwalk::IsReparseFolder(installDirectory);
}

int RemoveProductFolder(char* installDirectory, size_t capacity) {
    if (!installDirectory) return 0;
    const bool refused = IsRefusedProductFolder(installDirectory);
    if (!refused) {
        DeleteProductFilesInTree(installDirectory);
        RemoveFolderContents(installDirectory, IsFullClearingFolder(installDirectory) ? 0 : 1);
        report::FolderRemoved(installDirectory, ::RemoveDirectoryA(installDirectory));
    } else if (*installDirectory) {
        report::Kept("folder", installDirectory, "refused as a protected folder or a link");
    }
    RemoveProductShortcuts(installDirectory, capacity);
    return refused ? 0 : 1;
}

int RemoveProductShortcuts(char* installDirectory, size_t capacity) {
    const bool nt = IsWindowsNT() != 0;
    char desktop[512] = {};
    if (!GetSpecialFolderPath(nullptr, desktop, nt ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP, FALSE))
        return 0;

    struct Pair {
        UINT shortcut;
        const char* executable;
    };
    static const Pair pairs[] = {
        {IDS_SHORTCUT_ANTIVIRUS, "TQM32.EXE"},       {IDS_SHORTCUT_FIREWALL, "TQMPFW.EXE"},
        {IDS_SHORTCUT_ANTISPY, "QATMain.EXE"},       {IDS_SHORTCUT_SECURITY, "ZRPLnchr.EXE"},
        {IDS_SHORTCUT_SECURITY_2006P, "ZRPLnchr.EXE"},
    };

    if (installDirectory) {
        size_t len = std::strlen(installDirectory);
        if (!EndsWithBackslash(installDirectory) && len + 2 <= capacity) {
            installDirectory[len] = '\\';
            installDirectory[len + 1] = '\0';
        }
        const char* sep = EndsWithBackslash(installDirectory) ? "" : "\\";
        for (const Pair& pair : pairs) {
            CString name;
            name.LoadString(pair.shortcut);
            char shortcut[512];
            char executable[260];
            // An unloadable name is skipped; an executable path that does not fit
            // cannot show the program gone, so its shortcut stays.
            if (name.IsEmpty() || !BuildPath(shortcut, sizeof shortcut, desktop, "\\", name) ||
                !BuildPath(executable, sizeof executable, installDirectory, sep, pair.executable))
                continue;
            if (::GetFileAttributesA(executable) == INVALID_FILE_ATTRIBUTES) folderwalk::DeleteNormalFile(shortcut);
            else report::Kept("shortcut", shortcut, "its program is still there");
        }
    }

    char programs[512] = {};
    if (!GetSpecialFolderPath(nullptr, programs, nt ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, FALSE)) return 0;
    for (UINT id : {IDS_MENU_SECURITY_2006, IDS_MENU_SECURITY_2006P, IDS_MENU_SECURITY}) {
        CString name;
        name.LoadString(id);
        char folder[512];
        // Without its name the path would be the program menu itself: skipped.
        if (name.IsEmpty() || !BuildPath(folder, sizeof folder, programs, "\\", name)) continue;
        if (folderwalk::IsReparseFolder(folder)) { report::Kept("menu folder", folder, "a link, not followed"); continue; }
        DeleteFolderTree(folder);
        ::SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
        report::FolderRemoved(folder, ::RemoveDirectoryA(folder));
    }

    char root[4];
    char settings[520];
    if (SystemDriveRoot(root) && BuildPath(settings, sizeof settings, root, "QRECYCLE\\Desktop.INI"))
        folderwalk::DeleteNormalFile(settings);
    return 0;
}
