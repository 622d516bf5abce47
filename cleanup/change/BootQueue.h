// Deletion at the next start of the NT family, before anyone logs on: the
// session manager's queue (PendingFileRenameOperations, filled by MoveFileEx
// with MOVEFILE_DELAY_UNTIL_REBOOT), through the installed session. The queue's
// value is saved to the backup before the first entry, so that importing the
// backup also takes the run's entries out again. The Windows 95 family has no
// such queue: nothing is queued there (FALSE, ERROR_NOT_SUPPORTED).
#pragma once
#include <windows.h>

namespace change {

// The registry value the queue lives in (under HKEY_LOCAL_MACHINE).
extern const char kSessionManagerKey[];
extern const char kPendingRenamesValue[];

// Called where a deletion of the file at path has just failed: when it failed
// because the file is in use (the last error says so), queues the file. TRUE
// when queued (in a preview: when it would be).
BOOL DeleteAtRestartIfInUse(const char* path);
// Called where the removal of folder has just failed: when all that is left in
// it is queued (in a preview: queued or gone), queues the folder after them and
// counts it as left until the restart. TRUE when queued.
BOOL RemoveAtRestartIfOnlyQueued(const char* folder);
// RemoveFile (FileChanges.h), and for a file in use DeleteAtRestartIfInUse;
// RemoveFolder, and for a folder that only queued items keep
// RemoveAtRestartIfOnlyQueued. The results of the deletions made now.
BOOL DeleteOrQueue(const char* path);
BOOL RemoveOrQueue(const char* folder, bool resetAttributes);

// Queues a file of the tool's own (a copy that has done its work); not counted.
BOOL DeleteOwnFileAtRestart(const char* path);

// True when the installed session saw a file at or below folder left in use;
// without a session (nothing recorded) true.
bool LeftInUseBelow(const char* folder);

}  // namespace change
