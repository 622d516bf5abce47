// The string-value operations on one open registry key (RegKeyHolder, opened
// by change::OpenKey and closed when it goes). Results are Win32 error codes
// (0 for success).
#pragma once
#include <windows.h>

#include "../change/RegistryChanges.h"

// Reads the string value name of the held key into buffer. capacity: on entry
// the buffer's size in bytes; on return the bytes read (NUL included), or 0 on
// failure. 0 on success; RegQueryValueExA's code when that fails (2 missing,
// 234 too long: the buffer's content is then undefined); 13 for a value that is
// neither REG_SZ nor REG_EXPAND_SZ or whose data does not end with a NUL.
LONG ReadRegString(RegKeyHolder& holder, const char* name, char* buffer, DWORD* capacity);
// Sets the value name to text (type REG_SZ as the callers pass it), NUL included,
// through the change layer. Returns RegSetValueExA's result.
LONG WriteRegString(RegKeyHolder& holder, const char* name, const char* text, DWORD type);
// Closes the held key and empties the holder (also when the close fails);
// returns the close's result, or 0 when no key was held.
LONG CloseRegKey(RegKeyHolder& holder);
