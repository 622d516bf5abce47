// Runs one removal operation in a process of its own, so that a test can choose
// the Windows version it sees. Command line: drivers | terminate.
// Exit code: the operation's result, plus 10 when IsWindowsNT was 1; 99 on a bad
// command line.
#include <cstring>

#include "DriverServiceKeys.h"
#include "ProcessTermination.h"
#include "OsInfo.h"

int main(int argc, char** argv) {
    if (argc < 2) return 99;
    int nt = IsWindowsNT() ? 10 : 0;
    if (std::strcmp(argv[1], "drivers") == 0) return DeleteDriverServiceKeys() + nt;
    if (std::strcmp(argv[1], "terminate") == 0) return TerminateProductProcesses() + nt;
    return 99;
}
