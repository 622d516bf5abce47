#include "RestartPreparation.h"

#include <windows.h>
#include <shlobj.h>

#include "../cleanup/files/PathText.h"
#include "../cleanup/report/RunReport.h"
#include "../cleanup/registry/RegKeyHolder.h"
#include "../framework/AfxString.h"
#include "../framework/Handles.h"
#include "../res/resource.h"
#include "../sys/OsInfo.h"
#include "../sys/ShellCalls.h"

using pathtext::BuildPath;

namespace {

const char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const REGSAM kReadWrite = KEY_READ | KEY_WRITE;

// The tool's own executable path; false when it cannot be read whole.
bool ToolPath(char* out, DWORD size) {
    DWORD n = ::GetModuleFileNameA(nullptr, out, size);
    if (n == 0 || n >= size) return false;  // a cut path names another file
    out[n] = '\0';
    return true;
}

}  // namespace

int ScheduleFolderRemoval(const char* installDirectory) {
    RegKeyHolder key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, kReadWrite, &key.hKey) != ERROR_SUCCESS) {
        key.hKey = nullptr;
        return 0;
    }
    // Room for the quoted tool path, a space and an install directory of 260
    // characters (259 and the appended backslash), so that the command line is
    // never cut. The reader is told 520 bytes all the same: a longer earlier
    // value does not count as a registration.
    char command[2 + 520 + 1 + 261];
    DWORD capacity = 520;
    if (ReadRegString(key, "TQMUNLOAD", command, &capacity) == ERROR_SUCCESS) {
        report::Note("  RunOnce \"TQMUNLOAD\" already registered: \"%s\"; nothing written", command);
        CloseRegKey(key);
        return 1;
    }
    char tool[520];
    if (!ToolPath(tool, sizeof tool)) {
        CloseRegKey(key);
        return 0;
    }
    ZeroMemory(command, sizeof command);
    // The tool path quoted: unquoted, a path with a blank would make the logon
    // try "C:\Program.exe" and the like first.
    if (installDirectory && BuildPath(command, sizeof command, "\"", tool, "\" ", installDirectory)) {
        // Only a folder that is there and cannot be removed is worth a second start.
        DWORD attrs = ::GetFileAttributesA(installDirectory);
        bool gone = attrs == INVALID_FILE_ATTRIBUTES && ::GetLastError() == ERROR_FILE_NOT_FOUND;
        if (!gone && !::RemoveDirectoryA(installDirectory))
            report::Written(HKEY_LOCAL_MACHINE, kRunOnceKey, "TQMUNLOAD", command,
                            WriteRegString(key, "TQMUNLOAD", command, REG_SZ));
        else
            report::Note("  folder %s: gone, no second start registered", installDirectory);
    }
    int result = 0;
    if (report::Written(HKEY_LOCAL_MACHINE, kRunOnceKey, "TQM7NEEDREBOOT", "",
                        ::RegSetValueExA(key.hKey, "TQM7NEEDREBOOT", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1)) ==
        ERROR_SUCCESS)
        result = 1;
    CloseRegKey(key);
    return result;
}

int PrepareVistaCompanion() {
    char tool[260];
    if (!ToolPath(tool, sizeof tool)) return 0;
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
        report::Note(CreateShortcut(companion, shortcut) ? "  shortcut %s: written, to %s" : "  shortcut %s: not written (to %s)", shortcut, companion);  // its result is not needed

    RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, kReadWrite, key.Put()) != ERROR_SUCCESS) return 0;
    // Quoted, as the tool's own command line is; the write's result does not
    // change the outcome.
    char command[2 + sizeof companion];
    if (BuildPath(command, sizeof command, "\"", companion, "\""))
        report::Written(HKEY_LOCAL_MACHINE, kRunOnceKey, "UnloadReboot", command,
                        ::RegSetValueExA(key.Get(), "UnloadReboot", 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                         lstrlenA(command) + 1));
    key.Close();
    return 1;
}

int CreateShortcut(const char* targetPath, const char* shortcutPath) {
    if (!targetPath || !shortcutPath) return 0;
    ComInit com;  // whatever it returns, the object may still be created
    ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid())))
        return 0;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return 0;
    if (FAILED(link->SetPath(targetPath))) return 0;
    char tool[260];
    if (!ToolPath(tool, sizeof tool) || FAILED(link->SetIconLocation(tool, 0))) return 0;
    WCHAR widePath[520];
    // A path that cannot be converted whole is not saved under a cut name.
    if (::MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, widePath, 520) == 0) return 0;
    file->Save(widePath, TRUE);  // its result is not looked at
    return 1;
}
