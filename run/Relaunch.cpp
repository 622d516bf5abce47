#include "Relaunch.h"

#include <cstring>

#include "../cleanup/paths/PathText.h"
#include "../framework/Handles.h"
#include "../sys/OsInfo.h"
#include "../sys/OwnProgram.h"
#include "AdminFolder.h"

namespace {

const char kSwitch[] = "/origin \"";

// True when RunOnce "TQMUNLOAD" names program.
bool RegisteredForLogon(const std::string& program) {
    RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0, KEY_READ,
                        key.Put()) != ERROR_SUCCESS)
        return false;
    char command[1024] = {};
    DWORD size = sizeof command - 1;
    if (::RegQueryValueExA(key.Get(), "TQMUNLOAD", nullptr, nullptr, reinterpret_cast<BYTE*>(command), &size) !=
        ERROR_SUCCESS)
        return false;
    const std::string quoted = "\"" + program + "\"";
    return size > quoted.size() && pathtext::EqualNoCase(std::string(command, quoted.size()).c_str(), quoted.c_str());
}

}  // namespace

std::string WithoutOriginSwitch(const char* arguments, std::string* folder) {
    const char* at = arguments ? arguments : "";
    while (*at == ' ' || *at == '\t') ++at;
    const size_t n = sizeof kSwitch - 1;
    if (std::strlen(at) < n || !pathtext::EqualNoCase(std::string(at, n).c_str(), kSwitch)) return arguments ? arguments : "";
    const char* close = std::strchr(at + n, '"');
    if (!close) return arguments;
    if (folder) folder->assign(at + n, close - at - n);
    const char* rest = close + 1;
    if (*rest == ' ') ++rest;
    return rest;
}

std::string TakeOriginSwitch(const char* arguments) {
    std::string folder;
    const std::string rest = WithoutOriginSwitch(arguments, &folder);
    if (folder.empty()) return rest;
    char own[MAX_PATH * 2];
    const DWORD attrs = ::GetFileAttributesA(folder.c_str());
    if (IsWindowsNT() && OwnProgramPath(own, sizeof own) && adminfolder::HoldsDirectly(own) &&
        attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) && folder.size() > 2 && folder[1] == ':')
        SetToolFolder(folder.c_str());
    return rest;
}

bool RunFromAdministratorsCopy(const char* arguments, DWORD& exitCode) {
    char own[MAX_PATH * 2], folder[MAX_PATH * 2];
    if (!IsWindowsNT() || !OwnProgramPath(own, sizeof own) || adminfolder::HoldsDirectly(own) ||
        !ToolFolder(folder, sizeof folder) || adminfolder::IsAdministratorsOnly(folder))
        return false;
    const std::string copy = adminfolder::PlaceCopy(own);
    if (copy.empty()) return false;
    std::string command = "\"" + copy + "\" " + kSwitch + folder + "\"";
    if (arguments && *arguments) command += std::string(" ") + arguments;
    STARTUPINFOA given, startup;
    ZeroMemory(&given, sizeof given);
    given.cb = sizeof given;
    ::GetStartupInfoA(&given);
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = given.dwFlags & STARTF_USESHOWWINDOW;  // shown as the tool was asked to be
    startup.wShowWindow = given.wShowWindow;
    PROCESS_INFORMATION process;
    // Started in the administrators' folder: not even the current folder is the user's.
    if (!::CreateProcessA(copy.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, adminfolder::Path().c_str(),
                          &startup, &process))
        return false;
    KernelHandle child(process.hProcess), thread(process.hThread);
    ::WaitForSingleObject(child.Get(), INFINITE);
    if (!::GetExitCodeProcess(child.Get(), &exitCode)) exitCode = 1603;
    child.Reset();
    if (!RegisteredForLogon(copy)) ::DeleteFileA(copy.c_str());
    return true;
}
