// Removal of the suite's program folder, desktop shortcuts, program-menu
// folders, the QRECYCLE settings file and the installer's record folders.
#pragma once
#include <cstddef>

// Size the run's install-directory buffer needs: 259 characters, the backslash
// that RemoveProductShortcuts may append, and the terminating NUL.
const size_t InstallDirectoryBufferSize = 261;

// Deletes the installer engine's files from productCode's record folder below
// the system drive's "Program Files\InstallShield Installation Information" and
// removes the folder when empty. 0 when the system directory cannot be read
// (nothing done), otherwise 1.
int RemoveInstallerRecordFolder(const char* productCode);

// True when RemoveProductFolder refuses to clean installDirectory: no path or a
// relative one, a drive or share root, the Windows or system folder, a
// program-files, profile or user-data folder that the system names (or
// "Program Files"), a folder holding one of these below it, or a reparse point.
bool IsRefusedProductFolder(const char* installDirectory);

// Deletes the suite's files and folders below installDirectory (everything when
// its last component is ZRP2006 or ZRP2007, else only by name) and the folder
// itself when empty, then calls RemoveProductShortcuts. A refused folder (see
// IsRefusedProductFolder) is not cleaned; its shortcut step runs all the same.
// capacity: the size of the installDirectory buffer. Returns 1 when the folder
// was cleaned (what is in use stays), 0 when it was refused.
int RemoveProductFolder(char* installDirectory, size_t capacity);

// Deletes the desktop shortcuts whose executables are gone from
// installDirectory, the three program-menu folders and QRECYCLE\Desktop.INI.
// Appends a missing trailing backslash to installDirectory when capacity has
// room for it. Returns 0.
int RemoveProductShortcuts(char* installDirectory, size_t capacity);
