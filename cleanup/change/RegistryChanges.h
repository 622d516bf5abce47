// Changes to the registry, through the installed session (ChangeSession.h):
// each is saved to the session's backup first (real runs), made (or, in a
// preview, answered as it would be), reported and counted. Results are the
// Win32 codes of the calls they stand for: 0 done, 2 (or 3) absent. A key
// tree or value that the backup cannot save as it is (SavableKeys.h) is left
// alone, in a preview too, and said so: ERROR_INVALID_DATA.
#pragma once
#include <windows.h>

#include "../../framework/Handles.h"

namespace change {

// An open key and where it is, for the preview's record and the report.
struct Key {
    HKEY handle;
    HKEY root;
    const char* path;
};

// RegOpenKeyExA; in a preview a key that would be gone is not found.
LONG OpenKey(HKEY root, const char* path, REGSAM access, RegKey& key);
// RegEnumValueA for the name alone; in a preview the values that would be gone
// are passed over.
LONG EnumValueName(const Key& key, DWORD index, char* name, DWORD* size);

// RegDeleteValueA.
LONG DeleteValue(const Key& key, const char* name);
// RegDeleteKeyA of parent's subkey name: on NT only a key without subkeys goes
// (5 otherwise); on the Windows 95 family a key goes with all below it.
LONG DeleteSubkey(const Key& parent, const char* name);
// RegDeleteKeyA of root\path, with the same rule.
LONG DeleteKey(HKEY root, const char* path);
// SHDeleteKeyA: the key with all below it.
LONG DeleteTree(HKEY root, const char* path);
// RegSetValueExA. The report says whether the data changed; a value of the same
// type and data (strings compared without regard to case) is counted as no
// change. In a preview nothing is written and 0 is returned.
LONG WriteValue(const Key& key, const char* name, DWORD type, const BYTE* data, DWORD size);
// A string value, the NUL included.
LONG WriteString(const Key& key, const char* name, const char* text);

}  // namespace change
