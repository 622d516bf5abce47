// The floor for a start: a program that shows one message box and nothing else.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ::MessageBoxA(nullptr, "floor", "floor", MB_OK);
    return 0;
}
