// What the registry backup can save as it is. A REGEDIT4 file names each key
// on a line of its own between brackets, with no escape of any kind, and
// escapes only backslashes and quotes in value names; so a name holding a line
// break or a bracket would be read back as another key (even one elsewhere in
// the registry). What cannot be saved faithfully, or is too large to save, is
// left as it is: it is neither saved nor deleted nor rewritten.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

namespace change {

// The largest value the backup reads and saves (1 MB), and the most value data
// and names one key tree may hold (4 MB; as hex text a file about three times that).
const DWORD kMaxSavedValueSize = 1024 * 1024;
const DWORD kMaxSavedTreeSize = 4 * 1024 * 1024;

// A key name (one level) that regedit reads back as written: no line break or
// other control character, no bracket (some regedits take the first "]" as
// the end of the name, and the Windows 95 family's reads bytes, so a
// double-byte character's trail byte counts too), no NUL within length.
bool IsSavableKeyName(const char* name, size_t length);
// A value name that regedit reads back as written: no line break or other
// control character, no NUL within length.
bool IsSavableValueName(const char* name, size_t length);

// The reasons, as the report gives them.
extern const char kMisreadKeyName[];
extern const char kMisreadValueName[];
extern const char kValueTooLarge[];
extern const char kTreeTooLarge[];
extern const char kUnreadable[];

// Why a tree or value cannot be saved, and where: the first obstacle met.
struct SaveObstacle {
    const char* why = nullptr;  // null: none
    std::string where;          // the key or value, control characters shown as <0D>
    explicit operator bool() const { return why != nullptr; }
    // Sets why and where; false, for the caller to pass on.
    bool Set(const char* reason, const std::string& place) {
        why = reason;
        where = place;
        return false;
    }
};

// Looks at every key and value name of root\path and below and at their sizes,
// reading no value data. False, with obstacle filled in, when the tree cannot
// be saved as it is; true when it can, and when it is not there.
bool IsSavableTree(HKEY root, const char* path, SaveObstacle& obstacle);
// The same for the one value name (null or "" the default) of root\path.
bool IsSavableValue(HKEY root, const char* path, const char* name, SaveObstacle& obstacle);

// text with control characters shown as <0D>, for the report.
std::string Printable(const char* text, size_t length);

}  // namespace change
