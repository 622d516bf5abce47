#include "AfxDllSearch.h"

#include <windows.h>

int AfxRestrictDllSearch() {
    // Looked up at run time: older systems lack both functions.
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (!kernel) return 0;
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */)) return 2;
    auto setDir = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDir && setDir("")) return 1;
    return 0;
}
