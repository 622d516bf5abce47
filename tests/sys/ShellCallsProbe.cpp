// Helper: calls the three shell functions the tool looks up at run time and
// writes what they gave into the file named by its argument, one line:
// "folderResult folderIsTheSystemFolder deleteResult trackResult".
#include "ShellCalls.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    char folder[MAX_PATH] = "unchanged";
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    BOOL got = GetSpecialFolderPath(nullptr, folder, CSIDL_SYSTEM, FALSE);
    // A key that is not there: SHDeleteKeyA says 2.
    DWORD deleted = DeleteKeyTree(HKEY_CURRENT_USER, "Software\\TolmUnloadTest\\NoSuchKeyTree");
    HWND window = ::CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    TRACKMOUSEEVENT request = {sizeof request, TME_LEAVE, window, 0};
    BOOL tracked = StartMouseTracking(&request);
    ::DestroyWindow(window);
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) return 3;
    std::fprintf(f, "%d %d %lu %d", got ? 1 : 0, lstrcmpiA(folder, got ? system : "") == 0 ? 1 : 0, deleted,
                 tracked ? 1 : 0);
    std::fclose(f);
    return 0;
}
