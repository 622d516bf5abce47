#include "ProtectedFolders.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../sys/ShellCalls.h"
#include "../../framework/Handles.h"
#include "../paths/FolderIdentity.h"
#include "../paths/PathText.h"

using folderid::ComparableFolder;
using folderid::IsSameOrBelowComparable;
using pathtext::BuildPath;
using pathtext::EqualNoCase;
using pathtext::LastBackslash;

namespace {

// Folders the system names for programs and user data, of the running user and
// of all users: each is refused, and so is any folder that holds one of them.
const int kSystemShellFolders[] = {
    CSIDL_PROGRAM_FILES,   CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_COMMON_APPDATA,  CSIDL_COMMON_DOCUMENTS, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU,
    CSIDL_COMMON_PROGRAMS, CSIDL_WINDOWS,          CSIDL_SYSTEM,               CSIDL_PROFILE,
};
// Folders the system names inside a user's profile: refused for the running
// user, and at the same place inside every other profile.
const int kProfileShellFolders[] = {
    CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_APPDATA,  CSIDL_LOCAL_APPDATA, CSIDL_STARTMENU,
    CSIDL_PROGRAMS,         CSIDL_STARTUP,  CSIDL_FAVORITES, CSIDL_MYMUSIC,      CSIDL_MYPICTURES,
    CSIDL_MYVIDEO,          CSIDL_SENDTO,   CSIDL_RECENT,   CSIDL_TEMPLATES,     CSIDL_COOKIES,
    CSIDL_INTERNET_CACHE,   CSIDL_HISTORY,  CSIDL_NETHOOD,  CSIDL_PRINTHOOD,
};
// The 64-bit program folders, which a 32-bit program learns only from these.
const char* const kProtectedFolderVariables[] = {"ProgramW6432", "CommonProgramW6432"};
const char kProfileListKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

using Folders = std::vector<std::string>;

// Adds every form in which path may be reached (FolderIdentity.h).
void AddComparable(Folders& list, const char* path) {
    if (!path || !*path) return;
    for (const std::string& form : folderid::ComparableForms(path)) list.push_back(form);
}

std::string ShellFolder(int csidl) {
    char folder[MAX_PATH] = {};
    if (!GetSpecialFolderPath(nullptr, folder, csidl, FALSE)) return "";
    return folder;
}

// A string value of key with its variables expanded; "" when it cannot be read.
std::string ExpandedValue(HKEY key, const char* name) {
    char raw[520], expanded[520];
    DWORD type = 0, size = sizeof raw - 1;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(raw), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return "";
    raw[size] = '\0';
    DWORD n = ::ExpandEnvironmentStringsA(raw, expanded, sizeof expanded);
    return n > 0 && n <= sizeof expanded ? expanded : "";
}

// Every profile folder the system lists (NT), in comparable form, and the
// folders that hold profiles.
void ListProfiles(Folders& profiles, Folders& profileRoots) {
    AddComparable(profiles, ShellFolder(CSIDL_PROFILE).c_str());
    RegKey list;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProfileListKey, 0, KEY_READ, list.Put()) != ERROR_SUCCESS) return;
    char name[260];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (::RegEnumKeyExA(list.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        RegKey profile;
        if (::RegOpenKeyExA(list.Get(), name, 0, KEY_READ, profile.Put()) == ERROR_SUCCESS)
            AddComparable(profiles, ExpandedValue(profile.Get(), "ProfileImagePath").c_str());
    }
    const std::string root = ExpandedValue(list.Get(), "ProfilesDirectory");
    AddComparable(profileRoots, root.c_str());
    for (const char* full : {"Public", "Default"})
        AddComparable(profiles, ExpandedValue(list.Get(), full).c_str());
    // Names inside the profiles folder on Windows 2000 and XP.
    for (const char* relative : {"AllUsersProfile", "DefaultUserProfile"}) {
        const std::string n = ExpandedValue(list.Get(), relative);
        if (!n.empty() && !root.empty()) AddComparable(profiles, (root + "\\" + n).c_str());
    }
}

// The folder that holds folder (comparable form), or "" for a root.
std::string Parent(const std::string& folder) {
    const char* last = LastBackslash(folder.c_str());
    return last ? folder.substr(0, last - folder.c_str()) : "";
}

bool IsOnNetworkDrive(const char* path) {
    if (std::strncmp(path, "\\\\?\\", 4) == 0) path += 4;
    char root[4] = {path[0], ':', '\\', '\0'};
    return ::GetDriveTypeA(root) == DRIVE_REMOTE;
}

// The Windows, system and "Program Files" folders as the system directory names them.
void AddSystemFolders(Folders& list) {
    char system[520];
    UINT n = ::GetSystemDirectoryA(system, sizeof system);
    if (n == 0 || n >= sizeof system) return;
    AddComparable(list, system);
    char parent[520];
    if (BuildPath(parent, sizeof parent, system)) {
        if (const char* cut = LastBackslash(parent)) parent[cut - parent] = '\0';
        AddComparable(list, parent);
    }
    char windows[520];
    UINT w = ::GetWindowsDirectoryA(windows, sizeof windows);
    if (w > 0 && w < sizeof windows) AddComparable(list, windows);
    char root[4] = {system[0], system[1], system[2], '\0'};
    char programs[520];
    if (BuildPath(programs, sizeof programs, root, "Program Files")) AddComparable(list, programs);
}

}  // namespace

bool IsProtectedFolder(const char* installDirectory) {
    char dir[520];
    bool opened = false;
    const bool known = folderid::IsLocalDrivePath(installDirectory) &&
                       ComparableFolder(installDirectory, dir, sizeof dir, &opened);
    return IsProtectedFolder(installDirectory, known ? dir : nullptr, opened);
}

bool IsProtectedFolder(const char* installDirectory, const char* dir, bool opened) {
    // Only a local drive path names one folder whatever the current directory is.
    if (!folderid::IsLocalDrivePath(installDirectory) || IsOnNetworkDrive(installDirectory)) return true;
    if (!dir) return true;
    // A folder is judged by what it opens: where the system cannot say, a link
    // anywhere in its path makes it a folder that cannot be judged.
    if (folderid::CanResolveLinks() ? (!opened && ::GetFileAttributesA(installDirectory) != INVALID_FILE_ATTRIBUTES)
                                      : folderid::HasLinkInPath(installDirectory))
        return true;
    if (std::strlen(dir) <= 2) return true;  // "C:" or nothing: a drive root

    Folders protectedFolders, profiles, profileRoots;
    AddSystemFolders(protectedFolders);
    for (int csidl : kSystemShellFolders) AddComparable(protectedFolders, ShellFolder(csidl).c_str());
    for (const char* name : kProtectedFolderVariables) {
        char folder[520];
        DWORD m = ::GetEnvironmentVariableA(name, folder, sizeof folder);
        if (m > 0 && m < sizeof folder) AddComparable(protectedFolders, folder);
    }
    ListProfiles(profiles, profileRoots);
    char own[520];
    const bool haveOwn = ComparableFolder(ShellFolder(CSIDL_PROFILE).c_str(), own, sizeof own);
    if (haveOwn) AddComparable(profileRoots, Parent(own).c_str());
    for (int csidl : kProfileShellFolders) {
        char known[520];
        if (!ComparableFolder(ShellFolder(csidl).c_str(), known, sizeof known)) continue;
        protectedFolders.push_back(known);
        // The same place inside every other profile.
        if (!haveOwn || !IsSameOrBelowComparable(known, own) || std::strlen(known) == std::strlen(own)) continue;
        // The same place inside every other profile: only a folder inside that
        // profile can hold it (one that holds the profile is refused for that).
        const char* relative = known + std::strlen(own);
        for (const std::string& profile : profiles)
            if (IsSameOrBelowComparable(dir, profile.c_str())) AddComparable(protectedFolders, (profile + relative).c_str());
    }
    for (const std::string& p : profiles) protectedFolders.push_back(p);

    for (const std::string& folder : protectedFolders)
        if (IsSameOrBelowComparable(folder.c_str(), dir)) return true;
    // A folder directly inside a profile, or directly in the folder of profiles
    // (another account's profile, listed or not).
    const std::string parent = Parent(dir);
    for (const Folders* list : {&profiles, &profileRoots})
        for (const std::string& p : *list)
            if (EqualNoCase(parent.c_str(), p.c_str())) return true;
    return false;
}
