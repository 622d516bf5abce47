// Where the suite was installed, as its registry entries record it.
#pragma once
#include <windows.h>

// A path read is handed on with every "/" turned into "\\".

// Capacity, in bytes, of the buffers the lookups fill (at most 259 characters and the NUL).
constexpr DWORD kInstallPathCapacity = 260;

// "ProgramPath" of root\SOFTWARE\Velkaris\antivirus into buffer (at least 260 bytes).
// 1 when a non-empty path was read, 0 otherwise (buffer untouched when the key cannot be opened).
int ReadAntivirusProgramPath(char* buffer, HKEY root);
// "ProgramPath" of HKCU\Software\Velkaris\TqmPFW into buffer. 1 when a non-empty path was read, else 0.
int ReadFirewallProgramPath(char* buffer);
// "Update Path" of HKCU\Software\Velkaris\AntiVirus\Update into buffer. 1 when a non-empty path was read, else 0.
int ReadUpdatePath(char* buffer);
