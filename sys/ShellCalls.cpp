#include "ShellCalls.h"

BOOL GetSpecialFolderPath(HWND owner, LPSTR path, int csidl, BOOL create) {
    typedef BOOL(WINAPI * Fn)(HWND, LPSTR, int, BOOL);
    static const Fn fn = SystemFunctionAs<Fn>("shell32.dll", "SHGetSpecialFolderPathA");
    if (fn) return fn(owner, path, csidl, create);
    path[0] = '\0';
    return FALSE;
}

DWORD DeleteKeyTree(HKEY root, LPCSTR subKey) {
    typedef DWORD(WINAPI * Fn)(HKEY, LPCSTR);
    static const Fn fn = SystemFunctionAs<Fn>("shlwapi.dll", "SHDeleteKeyA");
    return fn ? fn(root, subKey) : ERROR_CALL_NOT_IMPLEMENTED;
}

BOOL StartMouseTracking(LPTRACKMOUSEEVENT request) {
    typedef BOOL(WINAPI * Fn)(LPTRACKMOUSEEVENT);
    static const Fn fn = SystemFunctionAs<Fn>("comctl32.dll", "_TrackMouseEvent");
    return fn ? fn(request) : FALSE;
}
