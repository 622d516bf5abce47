// Removal of the suite's program folder, desktop shortcuts, program-menu
// folders, the QRECYCLE settings file and the installer's record folders.
#pragma once
#include <cstddef>

#include "../paths/InstallFolder.h"

class KeptPaths;

// Size the run's install-directory buffer needs: 259 characters, the backslash
// that RemoveProductShortcuts may append, and the terminating NUL.
const size_t InstallDirectoryBufferSize = 261;

// Deletes the installer engine's files from productCode's record folder below
// the system drive's "Program Files\InstallShield Installation Information" and
// removes the folder when empty. 0 when the system directory cannot be read
// (nothing done), otherwise 1.
int RemoveInstallerRecordFolder(const char* productCode);

// 1 when one of the suite's programs (an ".EXE" of ProductFileNames) lies
// directly in folder, else 0: whether a folder holds the suite at all.
int HoldsSuiteProgram(const char* folder);

// True when RemoveProductFolder refuses to clean installDirectory: no path, a
// protected folder (ProtectedFolders.h), or a folder that is itself a reparse point.
bool IsRefusedProductFolder(const char* installDirectory);
// installDirectory (the run's buffer, may be null) judged once for the whole
// run: its comparable form and the removal's verdict, why it refuses the
// folder ("no folder named", "a protected folder", "a link") or null. The
// folder's form is asked of the system once for both.
InstallFolderRecord JudgeInstallFolder(char* installDirectory);

// Deletes the suite's files and folders below installDirectory (everything when
// its last component is ZRP2006 or ZRP2007, else only by name) and the folder
// itself when empty, then calls RemoveProductShortcuts. A refused folder (see
// IsRefusedProductFolder) is not cleaned; its shortcut step runs all the same.
// What keep covers stays, with all below it. capacity: the size of the
// installDirectory buffer. Returns 1 when the folder was cleaned (what is in use
// or kept stays), 0 when it was refused.
int RemoveProductFolder(char* installDirectory, size_t capacity, const KeptPaths* keep = nullptr);
// The same on a folder already judged (JudgeInstallFolder): its verdict is not asked again.
int RemoveProductFolder(const InstallFolderRecord& folder, size_t capacity, const KeptPaths* keep = nullptr);

// Deletes the desktop shortcuts whose executables are gone from
// installDirectory, the three program-menu folders and QRECYCLE\Desktop.INI.
// Appends a missing trailing backslash to installDirectory when capacity has
// room for it. Returns 0.
int RemoveProductShortcuts(char* installDirectory, size_t capacity);
