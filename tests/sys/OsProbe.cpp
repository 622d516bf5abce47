// Helper: writes what the four system tests say into the file named by its
// argument: "nt vista wow64 result" on the first line, then the description.
#include "OsInfo.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    CString description;
    int result = GetOSDescription(description);
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) return 3;
    std::fprintf(f, "%d %d %d %d\n%s", IsWindowsNT(), IsWindowsVista(), IsWow64(), result, description.GetString());
    std::fclose(f);
    return 0;
}
