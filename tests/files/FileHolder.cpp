// Holds the file named on its command line open with share mode 0 (creating it
// when missing) until it is ended.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    // The test polls the file to see when it is held; an open that meets one of
    // those probes fails with a sharing violation and is tried again.
    for (int attempt = 0; attempt < 3000; ++attempt) {
        HANDLE h = ::CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            ::Sleep(INFINITE);
            return 0;
        }
        if (::GetLastError() != ERROR_SHARING_VIOLATION) return 1;
        ::Sleep(10);
    }
    return 1;
}
