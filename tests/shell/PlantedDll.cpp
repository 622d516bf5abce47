// A DLL that reports being loaded: it writes "planted-loaded.txt" beside itself.
// The tests plant copies of it under the names of DLLs a program might load.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = {};
        DWORD n = ::GetModuleFileNameA(self, path, MAX_PATH - 32);
        char* slash = n ? strrchr(path, '\\') : nullptr;
        if (slash) {
            lstrcpyA(slash + 1, "planted-loaded.txt");
            HANDLE h = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        }
    }
    return TRUE;
}
