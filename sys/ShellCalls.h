// Shell and common-control functions that plain Windows 95 and NT 4 lack: they
// come with Internet Explorer 4's components (shell32 4.71, shlwapi.dll, common
// controls 4.70). Looked up when first called, so that the program still starts
// there and refuses the system. A function that cannot be had behaves as its
// call failing; what follows is the caller's decision.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include "../framework/SystemLookup.h"  // SystemFunctionAs

// SHGetSpecialFolderPathA. Without it: FALSE, path empty.
BOOL GetSpecialFolderPath(HWND owner, LPSTR path, int csidl, BOOL create);
// SHDeleteKeyA: subKey with everything below it. Without it: ERROR_CALL_NOT_IMPLEMENTED.
DWORD DeleteKeyTree(HKEY root, LPCSTR subKey);
// _TrackMouseEvent. Without it: FALSE, no tracking (no hover or leave messages).
BOOL StartMouseTracking(LPTRACKMOUSEEVENT request);
