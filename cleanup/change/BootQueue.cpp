#include "BootQueue.h"

#include <cstring>
#include <string>

#include "../../framework/Handles.h"
#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../paths/PathText.h"
#include "../report/RunReport.h"
#include "ChangeSession.h"
#include "FileChanges.h"

namespace change {

const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenamesValue[] = "PendingFileRenameOperations";

namespace {

bool IsLink(const char* path) {
    char bare[520];
    if (!pathtext::BuildPath(bare, sizeof bare, path)) return true;
    size_t n = std::strlen(bare);
    while (n > 3 && pathtext::EndsWithBackslash(bare)) bare[--n] = '\0';
    const DWORD attrs = ::GetFileAttributesA(bare);
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Neither the item nor the folder it lies in is a link: the queue names paths,
// and what they name is what the walk judged.
bool ReachedWithoutLink(const char* path) {
    if (IsLink(path)) return false;
    char parent[520];
    if (!pathtext::BuildPath(parent, sizeof parent, path)) return false;
    size_t n = std::strlen(parent);
    while (n > 3 && pathtext::EndsWithBackslash(parent)) parent[--n] = '\0';
    const char* last = pathtext::LastBackslash(parent);
    if (!last) return false;
    parent[last - parent > 2 ? last - parent : last - parent + 1] = '\0';
    return !IsLink(parent);
}

BOOL Queue(const char* kind, const char* path, bool counted) {
    if (!IsWindowsNT()) {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (!path || !ReachedWithoutLink(path)) {
        report::Note("  %s %s: not queued, reached through a link", kind, path ? path : "");
        return FALSE;
    }
    Session* session = Current();
    if (session && session->FirstQueueing()) {
        if (RegistryBackup* backup = session->Backup())
            backup->SaveValueOrAbsence(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
    }
    const bool preview = Previewing();
    BOOL queued = TRUE;
    if (!preview) {
        typedef BOOL(WINAPI * MoveFileExFn)(LPCSTR, LPCSTR, DWORD);
        static const MoveFileExFn moveFileEx = SystemFunctionAs<MoveFileExFn>("kernel32.dll", "MoveFileExA");
        queued = moveFileEx && moveFileEx(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    if (!queued) {
        Count(&Tally::refused);
        report::Note("  %s %s: could not be queued for deletion at the next start (error %lu)", kind, path,
                     ::GetLastError());
        return FALSE;
    }
    if (session) session->Queued(PathItem(path));
    if (counted) Count(&Tally::pending);
    report::Note(preview ? "  %s %s: would be deleted at the next start" : "  %s %s: deleted at the next start", kind,
                 path);
    return TRUE;
}

}  // namespace

BOOL DeleteAtRestartIfInUse(const char* path) {
    const DWORD e = ::GetLastError();
    if (e != ERROR_SHARING_VIOLATION && e != ERROR_LOCK_VIOLATION) return FALSE;
    // Its failed deletion has counted the file as left until the restart.
    return Queue("file", path, false);
}

BOOL RemoveAtRestartIfOnlyQueued(const char* folder) {
    Session* session = Current();
    if (!session || !folder || ::GetLastError() != ERROR_DIR_NOT_EMPTY) return FALSE;
    char pattern[520];
    if (!pathtext::BuildPath(pattern, sizeof pattern, folder, pathtext::EndsWithBackslash(folder) ? "*.*" : "\\*.*"))
        return FALSE;
    bool onlyQueued = true, any = false;
    WIN32_FIND_DATAA fd;
    FindHandle find(::FindFirstFileA(pattern, &fd));
    if (!find) return FALSE;
    do {
        if (pathtext::IsDotEntry(fd.cFileName) || IsGoneEntry(folder, fd.cFileName)) continue;
        any = true;
        const std::string child = std::string(folder) + (pathtext::EndsWithBackslash(folder) ? "" : "\\") + fd.cFileName;
        if (!session->IsQueued(PathItem(child.c_str()))) onlyQueued = false;
    } while (onlyQueued && ::FindNextFileA(find.Get(), &fd));
    return any && onlyQueued ? Queue("folder", folder, true) : FALSE;
}

BOOL DeleteOrQueue(const char* path) {
    if (RemoveFile(path)) return TRUE;
    DeleteAtRestartIfInUse(path);
    return FALSE;
}

BOOL RemoveOrQueue(const char* folder, bool resetAttributes) {
    if (RemoveFolder(folder, resetAttributes)) return TRUE;
    RemoveAtRestartIfOnlyQueued(folder);
    return FALSE;
}

BOOL DeleteOwnFileAtRestart(const char* path) { return Queue("file", path, false); }

bool LeftInUseBelow(const char* folder) {
    Session* session = Current();
    if (!session) return true;  // nothing recorded: as if
    return folder && session->LeftInUseBelow(PathItem(folder));
}

}  // namespace change
