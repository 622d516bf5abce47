#include "AfxDllSearch.h"

#include "SystemLookup.h"

int AfxRestrictDllSearch() {
    // Looked up at run time: older systems lack both functions.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
    auto setDefault = SystemFunctionAs<SetDefaultDllDirectoriesFn>("kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault && setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */)) return 2;
    auto setDir = SystemFunctionAs<SetDllDirectoryFn>("kernel32.dll", "SetDllDirectoryA");
    if (setDir && setDir("")) return 1;
    return 0;
}
