#include "RestartPreparation.h"

#include <windows.h>
#include <shlobj.h>

#include "../cleanup/paths/PathText.h"
#include "../cleanup/change/BootQueue.h"
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
#include "AdminFolder.h"

#include <cstring>
#include <string>

using pathtext::BuildPath;

namespace {

const char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const REGSAM kReadWrite = KEY_READ | KEY_WRITE;


}  // namespace

namespace {

// What RunOnce accepts of a command line, its NUL included.
const size_t kRunOnceLimit = 260;
// The companion program, in the tool's folder.
const char kCompanionName[] = "vista_i.exe";

// The folder's removal tried again, its outcome unreported: the folder removal
// has just reported why the folder stayed, and the line after this one says
// what became of it.
BOOL RemoveAgainQuietly(const char* folder) {
    ReportScope quiet(nullptr);
    return change::RemoveFolder(folder, false);
}

// The program a logon may start with administrator rights: on the NT family
// program itself when only administrators can change its folder, else its copy
// in the administrators' folder, "" when there is none; on the Windows 95
// family program itself.
std::string LogonProgram(const char* program) {
    if (!IsWindowsNT()) return program;
    const char* last = pathtext::LastBackslash(program);
    if (last && adminfolder::IsAdministratorsOnly(std::string(program, last - program).c_str())) return program;
    std::string why;
    const std::string copy = adminfolder::PlaceCopy(program, &why);
    if (copy.empty()) report::Note("  %s: no copy in the administrators' folder (%s)", program, why.c_str());
    return copy;
}

// "\"program\" [switch ]folder" in out when it fits what RunOnce accepts; the
// folder in its short form when only that fits.
bool SecondStartCommand(char* out, size_t size, const std::string& program, const char* startSwitch,
                        const char* folder) {
    const char* switchText = startSwitch && *startSwitch ? startSwitch : "";
    char shortFolder[261];
    const char* forms[2] = {folder, nullptr};
    const DWORD n = ::GetShortPathNameA(folder, shortFolder, sizeof shortFolder);
    if (n > 0 && n < sizeof shortFolder) forms[1] = shortFolder;
    for (const char* form : forms) {
        if (form && BuildPath(out, size, "\"", program.c_str(), "\" ", switchText, *switchText ? " " : "") &&
            BuildPath(out + lstrlenA(out), size - lstrlenA(out), form) && std::strlen(out) < kRunOnceLimit)
            return true;
    }
    report::Note("  no second start registered: the command line would be longer than RunOnce accepts");
    return false;
}

}  // namespace

int ScheduleFolderRemoval(const char* installDirectory, const char* startSwitch) {
    RegKeyHolder key;
    if (change::OpenKey(HKEY_LOCAL_MACHINE, kRunOnceKey, kReadWrite, key) != ERROR_SUCCESS) return 0;
    // Room for the quoted tool path, a space and an install directory of 260
    // characters (259 and the appended backslash). The reader is told 520 bytes
    // all the same: a longer earlier value does not count as a registration.
    char command[2 + 520 + 1 + 16 + 261];
    DWORD capacity = 520;
    if (ReadRegString(key, "TQMUNLOAD", command, &capacity) == ERROR_SUCCESS) {
        report::Note("  RunOnce \"TQMUNLOAD\" already registered: \"%s\"; nothing written", command);
        return 1;
    }
    char tool[520];
    if (!OwnProgramPath(tool, sizeof tool)) return 0;
    bool registered = false;
    if (installDirectory) {
        // Only a folder that is there, cannot be removed, and still holds a file
        // the run would delete is worth a second start: what the run keeps on
        // purpose never brings the tool back.
        DWORD attrs = change::Attributes(installDirectory);
        bool gone = attrs == INVALID_FILE_ATTRIBUTES && ::GetLastError() == ERROR_FILE_NOT_FOUND;
        if (gone || RemoveAgainQuietly(installDirectory)) {
            report::Note("  folder %s: gone, no second start registered", installDirectory);
        } else if (!change::LeftInUseBelow(installDirectory)) {
            report::Note("  folder %s: holds only what the run keeps, no second start registered", installDirectory);
        } else {
            ZeroMemory(command, sizeof command);
            const std::string program = LogonProgram(tool);
            // The tool path quoted: unquoted, a path with a blank would make the
            // logon try "C:\Program.exe" and the like first.
            if (!program.empty() && SecondStartCommand(command, sizeof command, program, startSwitch, installDirectory))
                registered = WriteRegString(key, "TQMUNLOAD", command, REG_SZ) == ERROR_SUCCESS;
        }
    }
    // The copy a logon started has done its work unless it is registered again
    // (a relaunched copy is deleted by the tool that started it).
    if (!registered && IsWindowsNT() && !IsRelaunchedCopy() && adminfolder::HoldsDirectly(tool)) {
        change::DeleteOwnFileAtRestart(tool);
        // So has the companion's copy that the same logon started.
        const std::string companion = adminfolder::Path() + "\\" + kCompanionName;
        if (change::Attributes(companion.c_str()) != INVALID_FILE_ATTRIBUTES)
            change::DeleteOwnFileAtRestart(companion.c_str());
    }
    return WriteRegString(key, "TQM7NEEDREBOOT", "", REG_SZ) == ERROR_SUCCESS ? 1 : 0;
}

int PrepareVistaCompanion() {
    char folder[260];
    char companion[260];
    if (!ToolFolder(folder, sizeof folder) || !BuildPath(companion, sizeof companion, folder, "\\", kCompanionName)) return 0;
    // Only a companion that is there is started, from where no user can change it.
    if (::GetFileAttributesA(companion) == INVALID_FILE_ATTRIBUTES) {
        report::Note("  %s: not there, neither registered nor given a shortcut", companion);
        return 0;
    }
    const std::string program = LogonProgram(companion);
    if (program.empty() || program.size() + 3 > kRunOnceLimit) {
        report::Note("  %s: not registered", companion);
        return 0;
    }

    char desktop[260] = {};
    int csidl = IsWindowsNT() ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP;
    if (!GetSpecialFolderPath(nullptr, desktop, csidl, FALSE)) return 0;

    CString name;
    name.LoadString(IDS_VISTA_SHORTCUT);
    char shortcut[260];
    // Without a name, or with a path that does not fit, no shortcut is made;
    // the RunOnce value is written all the same.
    if (!name.IsEmpty() && BuildPath(shortcut, sizeof shortcut, desktop, "\\", name))
        CreateShortcut(program.c_str(), shortcut);  // its result is not needed

    RegKeyHolder key;
    if (change::OpenKey(HKEY_LOCAL_MACHINE, kRunOnceKey, kReadWrite, key) != ERROR_SUCCESS) return 0;
    // Quoted, as the tool's own command line is; the write's result does not
    // change the outcome.
    char command[kRunOnceLimit];
    if (BuildPath(command, sizeof command, "\"", program.c_str(), "\""))
        change::WriteString(key, "UnloadReboot", command);
    return 1;
}

int CreateShortcut(const char* targetPath, const char* shortcutPath) {
    return change::MakeShortcut(targetPath, shortcutPath);
}
