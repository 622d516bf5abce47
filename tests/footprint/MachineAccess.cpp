#include "MachineAccess.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "../../framework/Handles.h"
#include "TestSupport.h"

namespace footprint {
namespace {

size_t TerminatingNuls(DWORD type) {
    return type == REG_MULTI_SZ ? 2 : (type == REG_SZ || type == REG_EXPAND_SZ) ? 1 : 0;
}

}  // namespace

bool SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    RegKey k;
    if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::string bytes = data + std::string(TerminatingNuls(type), '\0');
    return ::RegSetValueExA(k.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool ReadValue(HKEY root, const std::string& key, const std::string& name, DWORD* type, std::string* data) {
    RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, k.Put()) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    if (::RegQueryValueExA(k.Get(), name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
    std::string bytes(size, '\0');
    if (size && ::RegQueryValueExA(k.Get(), name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(&bytes[0]), &size) !=
                    ERROR_SUCCESS)
        return false;
    bytes.resize(size);
    const size_t nuls = TerminatingNuls(*type);
    if (bytes.size() >= nuls && bytes.compare(bytes.size() - nuls, nuls, std::string(nuls, '\0')) == 0)
        bytes.resize(bytes.size() - nuls);
    *data = bytes;
    return true;
}

void DeleteValue(HKEY root, const std::string& key, const std::string& name) {
    RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, k.Put()) == ERROR_SUCCESS) ::RegDeleteValueA(k.Get(), name.c_str());
}

std::string FolderOf(const std::string& path) {
    size_t last = std::string::npos;
    for (const char* p = path.c_str(); *p; p = ::CharNextA(p))
        if (*p == '\\') last = static_cast<size_t>(p - path.c_str());
    return last == std::string::npos ? "" : path.substr(0, last);
}

bool EndsWithBackslash(const std::string& path) {
    return !path.empty() && FolderOf(path).size() + 1 == path.size();
}

bool MakeFolder(const std::string& path) {
    const int rc = ::SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
    return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS;
}

bool MakeFile(const std::string& path, const std::string& content) {
    const std::string folder = FolderOf(path);
    return (Exists(folder) || MakeFolder(folder)) && tolmtest::WriteFile(path, content);
}

void DeleteFolderTree(const std::string& path) {
    if (!EndsWithBackslash(path)) tolmtest::RemoveTestTree(path, "C:\\");
}

HANDLE StartNamedProgram(const std::string& dir, const std::string& name, std::string* why) {
    const std::string sleeper = tolmtest::BinDir() + "\\tests\\processes\\proc_sleeper.exe";
    const std::string exe = dir + "\\" + name;
    MakeFolder(dir);
    if (!::CopyFileA(sleeper.c_str(), exe.c_str(), FALSE)) {
        *why = "cannot copy " + sleeper;
        return nullptr;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + exe + "\"";
    if (!::CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        *why = "cannot start " + exe;
        return nullptr;
    }
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

void EndProcessesNamed(const char* name) {
    for (DWORD pid : tolmtest::ProcessesNamed(name)) {
        KernelHandle p(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (p) {
            ::TerminateProcess(p.Get(), 0);
            ::WaitForSingleObject(p.Get(), 2000);
        }
    }
}

}  // namespace footprint
