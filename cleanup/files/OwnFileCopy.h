// Copies that write only into files and folders of the tool's own: never
// through a junction or symbolic link, never over a file that has other names.
#pragma once
#include <windows.h>

// Copies source to destination, replacing an earlier copy there, with the
// source's times. FALSE with the last error ERROR_TOO_MANY_LINKS when the
// destination is a file with more than one link, ERROR_CANT_ACCESS_FILE when it
// is a reparse point or a folder (nothing is written then); otherwise FALSE
// with the system's error when the source cannot be read or the copy written.
BOOL CopyToOwnFile(const char* source, const char* destination);

// Makes folder's levels below base, each only after the one above it proved a
// folder that is no reparse point, so that nothing is ever created behind a
// link. True when every level of folder below base is such a folder; base and
// folder as spelt by the caller, base a prefix of folder (base itself is not
// looked at).
bool MakeOwnFolder(const char* base, const char* folder);
