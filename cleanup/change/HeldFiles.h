// Files and folders acted on through handles (NT only): whoever can write a
// folder on the way could swap an entry for a junction or link between the
// moment it is judged and the moment it is changed. So each entry is opened as
// itself (FILE_FLAG_OPEN_REPARSE_POINT) and checked on its handle: not a
// reparse point, of the kind expected, and (where the system can name what a
// handle opens) the very entry of its folder, not what a link points at. Each
// folder of the way is held open without delete sharing while work goes on
// inside it, so that it cannot be renamed or replaced meanwhile. The Windows 95
// family has no links and no such flags: none of this is asked of it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "../../framework/Handles.h"

namespace change {

// True when the checks here apply: the NT family.
bool HoldsByHandle();

// Opens path itself with access (the sharing allowed to others in share) and
// checks it as said above: a folder when folder, else a file. An invalid
// handle when it cannot be opened (the system's error) or is not what it seems
// (ERROR_CANT_ACCESS_FILE).
FileHandle OpenChecked(const char* path, DWORD access, DWORD share, bool folder);

// True when handle opens the entry that path names in its folder, and not what
// a link there points at (always, where the system cannot name what a handle
// opens: the reparse point attribute tells there).
bool IsOwnEntry(HANDLE handle, const char* path);

// Deletes what handle (opened with DELETE, and FILE_WRITE_ATTRIBUTES for
// resetAttributes) names when it is closed; resetAttributes clears read-only,
// hidden and system first. The system's error as the last error on failure
// (ERROR_DIR_NOT_EMPTY for a folder with content).
BOOL DeleteOnClose(HANDLE handle, bool resetAttributes);

// A folder held open, without delete sharing, while it lives.
class HeldFolder {
public:
    // Holds path when it is a folder of its own (OpenChecked); Held() false
    // otherwise, with the last error as OpenChecked leaves it. Null holds nothing.
    explicit HeldFolder(const char* path);
    bool Held() const { return m_handle.Valid(); }

private:
    FileHandle m_handle;
};

// The folders of a way, each held in turn.
class HeldWay {
public:
    // Holds path; false (and holds nothing more) when it is no folder of its own.
    bool Add(const char* path);
    void Release() { m_held.clear(); }

private:
    std::vector<HeldFolder> m_held;
};

}  // namespace change
