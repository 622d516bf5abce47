#include "BootQueue.h"

#include <cstring>
#include <string>

#include "../../framework/Handles.h"
#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../paths/PathText.h"
#include "ChangeOutcome.h"
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

const DWORD kThroughLink = OwnCode(1);

// Queues the file or folder (kind) for deletion at the next start; counted
// left until the restart when counted (a file in use is counted so already).
BOOL Queue(const char* kind, const char* path, bool counted) {
    if (!IsWindowsNT()) {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    const Outcome outcomes[] = {
        {0, "deleted at the next start", kQueued | (counted ? kPending : 0u) | kWouldBe},
        {kThroughLink, "not queued, reached through a link", 0},
        {kOtherCode, "could not be queued for deletion at the next start (error %e)", kRefused},
    };
    const Change change = {std::string(kind) + " " + (path ? path : ""), path ? PathItem(path) : "", outcomes};
    // The queue names paths, and what they name must be what the walk judged.
    if (!path || !ReachedWithoutLink(path)) return !Settle(change, kThroughLink);
    const Call queue = [&]() -> DWORD {
        typedef BOOL(WINAPI * MoveFileExFn)(LPCSTR, LPCSTR, DWORD);
        static const MoveFileExFn moveFileEx = SystemFunctionAs<MoveFileExFn>("kernel32.dll", "MoveFileExA");
        return moveFileEx ? Code(moveFileEx(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) : ERROR_PROC_NOT_FOUND;
    };
    // The queue's value is saved before the first entry, whatever becomes of it.
    const Save save = [](SaveObstacle&) {
        RegistryBackup* backup = Current() && Current()->FirstQueueing() ? Backup() : nullptr;
        if (backup) backup->SaveValueOrAbsence(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
        return true;
    };
    return !Carry(change, queue, nullptr, save);
}

}  // namespace

BOOL DeleteAtRestartIfInUse(const char* path) {
    const DWORD e = ::GetLastError();
    if (!IsInUse(e)) return FALSE;
    // Its failed deletion has counted the file as left until the restart.
    return Queue("file", path, false);
}

BOOL RemoveAtRestartIfOnlyQueued(const char* folder) {
    Session* session = Current();
    if (!session || !folder || ::GetLastError() != ERROR_DIR_NOT_EMPTY) return FALSE;
    bool onlyQueued = true, any = false;
    const bool listed = ForEachSeenEntry(folder, [&](const std::string& item) {
        any = true;
        return onlyQueued = session->IsQueued(item);
    });
    return listed && any && onlyQueued ? Queue("folder", folder, true) : FALSE;
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
