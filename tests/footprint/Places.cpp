#include "Places.h"

#include <windows.h>
#include <shlobj.h>


namespace footprint {

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    return ::SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? path : "";
}

std::string SystemDriveRoot() {
    char system[MAX_PATH] = {};
    return ::GetSystemDirectoryA(system, MAX_PATH) >= 3 ? std::string(system, 3) : "C:\\";
}

std::string RecordRoot() { return SystemDriveRoot() + "Program Files\\InstallShield Installation Information"; }

std::string EngineLibrary(const std::string& dll) {
    // Looked up: the headers are those of Windows 2000, which has no WoW64.
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, BOOL*);
    const auto isWow64 = reinterpret_cast<IsWow64Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64) isWow64(::GetCurrentProcess(), &wow64);
    char dir[MAX_PATH] = {};
    if (wow64)
        ::GetSystemWow64DirectoryA(dir, MAX_PATH);
    else
        ::GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\" + dll;
}

}  // namespace footprint
