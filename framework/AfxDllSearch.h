#pragma once

// Narrows the places Windows looks for DLLs loaded by name at run time.
// Where the system has SetDefaultDllDirectories (Windows 7 and later, and
// Vista with update KB2533623) only the system folder is searched; else
// SetDllDirectoryA("") (XP SP1 and later) drops the current folder, but the
// program's own folder stays first; Windows 98, Me, 2000 and XP before SP1
// have neither. So this does not keep a DLL put beside the tool from loading:
// on the NT family the tool runs from its copy in a folder only administrators
// can change instead (run/Relaunch.h). Returns which call took effect: 2 for
// the system folder alone, 1 for the current folder dropped, 0 for none.
int AfxRestrictDllSearch();
