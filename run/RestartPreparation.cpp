#include "RestartPreparation.h"

#include <windows.h>
#include <shlobj.h>

#include "../cleanup/paths/PathText.h"
#include "../cleanup/change/FileChanges.h"
#include "../cleanup/change/RegistryChanges.h"
#include "../cleanup/change/SystemChanges.h"
#include "../cleanup/report/RunReport.h"
#include "../cleanup/registry/RegKeyHolder.h"
#include "../framework/AfxString.h"
#include "../framework/Handles.h"
#include "../res/resource.h"
#include "../sys/OsInfo.h"
#include "../sys/OwnProgram.h"
#include "../sys/ShellCalls.h"

using pathtext::BuildPath;

namespace {

const char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const REGSAM kReadWrite = KEY_READ | KEY_WRITE;


}  // namespace

int ScheduleFolderRemoval(const char* installDirectory, const char* startSwitch) {
    RegKeyHolder key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, kReadWrite, &key.hKey) != ERROR_SUCCESS) {
        key.hKey = nullptr;
        return 0;
    }
    key.root = HKEY_LOCAL_MACHINE;
    key.path = kRunOnceKey;
    // Room for the quoted tool path, a space and an install directory of 260
    // characters (259 and the appended backslash), so that the command line is
    // never cut. The reader is told 520 bytes all the same: a longer earlier
    // value does not count as a registration.
    char command[2 + 520 + 1 + 16 + 261];
    DWORD capacity = 520;
    if (ReadRegString(key, "TQMUNLOAD", command, &capacity) == ERROR_SUCCESS) {
        report::Note("  RunOnce \"TQMUNLOAD\" already registered: \"%s\"; nothing written", command);
        CloseRegKey(key);
        return 1;
    }
    char tool[520];
    if (!OwnProgramPath(tool, sizeof tool)) {
        CloseRegKey(key);
        return 0;
    }
    ZeroMemory(command, sizeof command);
    // The tool path quoted: unquoted, a path with a blank would make the logon
    // try "C:\Program.exe" and the like first.
    const char* switchText = startSwitch && *startSwitch ? startSwitch : "";
    if (installDirectory && BuildPath(command, sizeof command, "\"", tool, "\" ", switchText, *switchText ? " " : "") &&
        BuildPath(command + lstrlenA(command), sizeof command - lstrlenA(command), installDirectory)) {
        // Only a folder that is there and cannot be removed is worth a second start.
        DWORD attrs = change::Attributes(installDirectory);
        bool gone = attrs == INVALID_FILE_ATTRIBUTES && ::GetLastError() == ERROR_FILE_NOT_FOUND;
        if (!gone && !change::RemoveFolder(installDirectory, false))
            WriteRegString(key, "TQMUNLOAD", command, REG_SZ);
        else
            report::Note("  folder %s: gone, no second start registered", installDirectory);
    }
    int result = 0;
    if (WriteRegString(key, "TQM7NEEDREBOOT", "", REG_SZ) == ERROR_SUCCESS) result = 1;
    CloseRegKey(key);
    return result;
}

int PrepareVistaCompanion() {
    char tool[260];
    if (!OwnProgramPath(tool, sizeof tool)) return 0;
    const char* last = pathtext::LastBackslash(tool);
    if (!last) return 0;
    tool[last - tool + 1] = '\0';
    char companion[260];
    if (!BuildPath(companion, sizeof companion, tool, "vista_i.exe")) return 0;

    char desktop[260] = {};
    int csidl = IsWindowsNT() ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP;
    if (!GetSpecialFolderPath(nullptr, desktop, csidl, FALSE)) return 0;

    CString name;
    name.LoadString(IDS_VISTA_SHORTCUT);
    char shortcut[260];
    // Without a name, or with a path that does not fit, no shortcut is made;
    // the RunOnce value is written all the same.
    if (!name.IsEmpty() && BuildPath(shortcut, sizeof shortcut, desktop, "\\", name))
        CreateShortcut(companion, shortcut);  // its result is not needed

    RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, kReadWrite, key.Put()) != ERROR_SUCCESS) return 0;
    // Quoted, as the tool's own command line is; the write's result does not
    // change the outcome.
    char command[2 + sizeof companion];
    if (BuildPath(command, sizeof command, "\"", companion, "\""))
        change::WriteString({key.Get(), HKEY_LOCAL_MACHINE, kRunOnceKey}, "UnloadReboot", command);
    key.Close();
    return 1;
}

int CreateShortcut(const char* targetPath, const char* shortcutPath) {
    return change::MakeShortcut(targetPath, shortcutPath);
}
