// A stand-in for one of the suite's resident programs: it does nothing for two
// minutes, so that a test can find it in the process list and end it.
#include <windows.h>

int main() {
    ::Sleep(120000);
    return 0;
}
