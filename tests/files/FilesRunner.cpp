// Runs one removal operation in a process of its own, so that a test can have
// Wine report another Windows version to it:
//   files_runner shortcuts <install directory>   RemoveProductShortcuts
//   files_runner nt                              exit code: IsWindowsNT
//   files_runner refused <install directory>     exit code: IsRefusedProductFolder
#include <windows.h>

#include <cstring>

#include "OsInfo.h"
#include "ProductRemoval.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "nt") == 0) return IsWindowsNT();
    if (argc >= 3 && std::strcmp(argv[1], "refused") == 0) return IsRefusedProductFolder(argv[2]) ? 1 : 0;
    if (argc >= 3 && std::strcmp(argv[1], "shortcuts") == 0) {
        char dir[InstallDirectoryBufferSize] = {};
        if (std::strlen(argv[2]) >= sizeof dir) return 2;
        std::strcpy(dir, argv[2]);
        RemoveProductShortcuts(dir, sizeof dir);
        return 0;
    }
    return 3;
}
