#include "ProductRemoval.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <initializer_list>

#include "../../sys/ShellCalls.h"
#include "../../framework/AfxString.h"
#include "../../res/resource.h"
#include "../../sys/OsInfo.h"
#include "../change/ChangeSession.h"
#include "../change/BootQueue.h"
#include "../report/RunReport.h"
#include "FolderRemoval.h"
#include "FolderWalk.h"
#include "NameTables.h"
#include "ProtectedFolders.h"

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

// The last component of the install directory, compared with the folder names
// that are emptied completely.
bool IsFullClearingFolder(const char* installDirectory) {
    char dir[261];
    if (!BuildPath(dir, sizeof dir, installDirectory)) return false;
    size_t len = std::strlen(dir);
    while (len > 0 && EndsWithBackslash(dir)) dir[--len] = '\0';
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
        change::RemoveFileIfPresent(path);
    }
    change::RemoveFolder(folder, true);  // only goes when nothing else is left in it
    return 1;
}

int HoldsSuiteProgram(const char* folder) {
    char pattern[520];
    if (!folder || !*folder || !BuildPath(pattern, sizeof pattern, folder, EndsWithBackslash(folder) ? "*.*" : "\\*.*"))
        return 0;
    bool found = false;
    folderwalk::ForEachEntry(pattern, [&](const WIN32_FIND_DATAA& fd) {
        const size_t n = std::strlen(fd.cFileName);
        if (!found && !folderwalk::IsFolder(fd) && n > 4 && EqualNoCase(fd.cFileName + n - 4, ".EXE") &&
            FindNameInTable(fd.cFileName, ProductFileNames, ProductFileNameCount) >= 0)
            found = true;
    });
    return found ? 1 : 0;
}

namespace {

// Why the removal refuses the folder of record, or null; its form is not asked again.
const char* WhyRefused(const InstallFolderRecord& record) {
    const char* folder = record.path;
    if (!folder || !*folder) return "no folder named";
    if (IsProtectedFolder(folder, record.comparable.empty() ? nullptr : record.comparable.c_str(), record.opened))
        return "a protected folder";
    if (folderwalk::IsReparseFolder(folder)) return "a link";
    return nullptr;
}

}  // namespace

bool IsRefusedProductFolder(const char* installDirectory) {
    std::string folder = installDirectory ? installDirectory : "";
    return JudgeInstallFolder(installDirectory ? &folder[0] : nullptr).refused != nullptr;
}

InstallFolderRecord JudgeInstallFolder(char* installDirectory) {
    InstallFolderRecord record = IdentifyFolder(installDirectory);
    record.refused = WhyRefused(record);
    return record;
}

int RemoveProductFolder(char* installDirectory, size_t capacity, const KeptPaths* keep) {
    return installDirectory ? RemoveProductFolder(JudgeInstallFolder(installDirectory), capacity, keep) : 0;
}

int RemoveProductFolder(const InstallFolderRecord& folder, size_t capacity, const KeptPaths* keep) {
    char* installDirectory = folder.path;
    if (!installDirectory) return 0;
    const bool refused = folder.refused != nullptr;
    if (!refused) {
        // A folder of the suite's own is emptied whole in one walk; any other
        // loses the suite's files at every depth first, then the product
        // folders that are left empty.
        if (IsFullClearingFolder(installDirectory)) {
            RemoveFolderContents(installDirectory, 0, keep);
        } else {
            DeleteProductFilesInTree(installDirectory, keep);
            RemoveFolderContents(installDirectory, 1, keep);
        }
        change::RemoveOrQueue(installDirectory, false);
    } else if (*installDirectory) {
        report::Kept("folder", installDirectory, "refused as a protected folder or a link");
        change::Refuse(change::PathItem(installDirectory));  // what of the suite it holds stays
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
            if (change::Attributes(executable) == INVALID_FILE_ATTRIBUTES) change::RemoveFile(shortcut);
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
        change::RemoveFolder(folder, true);
    }

    char root[4];
    char settings[520];
    if (SystemDriveRoot(root) && BuildPath(settings, sizeof settings, root, "QRECYCLE\\Desktop.INI"))
        change::RemoveFile(settings);
    return 0;
}
