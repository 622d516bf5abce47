#pragma once

// Removes the program's folder and the current folder from the places Windows
// looks for DLLs that are loaded at run time, so that a DLL planted beside the
// tool (typically in a download folder) is never loaded. Uses
// SetDefaultDllDirectories where the system has it, else SetDllDirectoryA("")
// (which only drops the current folder). Returns which of the two took effect:
// 2 for the system folder alone, 1 for the current folder dropped, 0 for none.
int AfxRestrictDllSearch();
