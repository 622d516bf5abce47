// Changes to the registry, each carried out as ChangeOutcome.h says. Results
// are the Win32 codes of the calls they stand for: 0 done, 2 (or 3) absent,
// ERROR_INVALID_DATA for what the backup cannot save as it is (SavableKeys.h).
#pragma once
#include <windows.h>

#include <string>

#include "../../framework/Handles.h"

// An open registry key and where it is (root\path), as the report names what
// changes in it and the preview records it; closed when it goes. Empty (no
// handle) when none is held.
class RegKeyHolder : public RegKey {
public:
    HKEY root = nullptr;
    std::string path;
};

namespace change {

// RegOpenKeyExA of root\path into key, which learns where it is; in a preview
// a key that would be gone is not found. Whatever key held before is closed.
LONG OpenKey(HKEY root, const char* path, REGSAM access, RegKeyHolder& key);
// RegEnumValueA for the name alone; in a preview the values that would be gone
// are passed over.
LONG EnumValueName(const RegKeyHolder& key, DWORD index, char* name, DWORD* size);

// RegDeleteValueA.
LONG DeleteValue(const RegKeyHolder& key, const char* name);
// RegDeleteKeyA of parent's subkey name: on NT only a key without subkeys goes
// (5 otherwise); on the Windows 95 family a key goes with all below it.
LONG DeleteSubkey(const RegKeyHolder& parent, const char* name);
// RegDeleteKeyA of root\path, with the same rule.
LONG DeleteKey(HKEY root, const char* path);
// SHDeleteKeyA: the key with all below it.
LONG DeleteTree(HKEY root, const char* path);
// RegSetValueExA. The report says whether the data changed; a value of the same
// type and data (strings compared without regard to case) is counted as no
// change. In a preview nothing is written and 0 is returned.
LONG WriteValue(const RegKeyHolder& key, const char* name, DWORD type, const BYTE* data, DWORD size);
// A string value, the NUL included.
LONG WriteString(const RegKeyHolder& key, const char* name, const char* text);

}  // namespace change
