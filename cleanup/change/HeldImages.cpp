#include "HeldImages.h"

#include <windows.h>
#include <tlhelp32.h>

#include "../../framework/Handles.h"
#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../paths/PathText.h"
#include "ChangeSession.h"

namespace change {

namespace {

// The tool-help functions, looked up: NT 4 has none.
struct Toolhelp {
    HANDLE(WINAPI* snapshot)(DWORD, DWORD) =
        SystemFunctionAs<HANDLE(WINAPI*)(DWORD, DWORD)>("kernel32.dll", "CreateToolhelp32Snapshot");
    BOOL(WINAPI* processFirst)(HANDLE, LPPROCESSENTRY32) =
        SystemFunctionAs<BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32)>("kernel32.dll", "Process32First");
    BOOL(WINAPI* processNext)(HANDLE, LPPROCESSENTRY32) =
        SystemFunctionAs<BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32)>("kernel32.dll", "Process32Next");
    BOOL(WINAPI* moduleFirst)(HANDLE, LPMODULEENTRY32) =
        SystemFunctionAs<BOOL(WINAPI*)(HANDLE, LPMODULEENTRY32)>("kernel32.dll", "Module32First");
    BOOL(WINAPI* moduleNext)(HANDLE, LPMODULEENTRY32) =
        SystemFunctionAs<BOOL(WINAPI*)(HANDLE, LPMODULEENTRY32)>("kernel32.dll", "Module32Next");
    bool Usable() const { return snapshot && processFirst && processNext && moduleFirst && moduleNext; }
};

const char* BareName(const char* path) {
    const char* last = pathtext::LastBackslash(path);
    return last ? last + 1 : path;
}

// The modules of processId, added to images, their bare names to names.
void AddModules(const Toolhelp& th, DWORD processId, std::vector<std::string>& images, ItemSet& names) {
    SnapshotHandle modules(th.snapshot(TH32CS_SNAPMODULE, processId));
    if (!modules) return;  // a process this one may not look into
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    for (BOOL more = th.moduleFirst(modules.Get(), &module); more; more = th.moduleNext(modules.Get(), &module)) {
        module.szExePath[MAX_PATH - 1] = '\0';
        images.push_back(module.szExePath);
        names.Insert(PathItem(BareName(module.szExePath)));
    }
}

// Volume and index of the file path opens; false when it cannot be opened.
bool Identity(const char* path, BY_HANDLE_FILE_INFORMATION& info) {
    FileHandle file(::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    return file && ::GetFileInformationByHandle(file.Get(), &info);
}

// Whether module and path are one file. The Windows 95 family has no file
// index worth comparing (nor the sharing flag above): there, by spelling.
bool SameFile(const char* module, const char* path) {
    if (!IsWindowsNT()) return PathItem(module) == PathItem(path);
    BY_HANDLE_FILE_INFORMATION a, b;
    return Identity(module, a) && Identity(path, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

const std::vector<std::string>& Session::HeldImages() {
    if (m_heldImagesRead) return m_heldImages;
    m_heldImagesRead = true;
    const Toolhelp th;
    if (!th.Usable()) return m_heldImages;
    SnapshotHandle processes(th.snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes) return m_heldImages;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = th.processFirst(processes.Get(), &entry); more; more = th.processNext(processes.Get(), &entry)) {
        // Those the run ends let their files go before the file step.
        if (entry.th32ProcessID != 0 && !IsGone(ProcessItem(entry.th32ProcessID)))
            AddModules(th, entry.th32ProcessID, m_heldImages, m_heldImageNames);
    }
    return m_heldImages;
}

bool IsHeldImage(const char* path) {
    if (!Previewing() || !path) return false;
    const char* name = BareName(path);
    if (!Current()->HeldImageNames().Contains(PathItem(name))) return false;
    // By name first, then by the file each path opens: an install folder may
    // be spelt short, or through another drive letter.
    for (const std::string& module : Current()->HeldImages())
        if (::lstrcmpiA(BareName(module.c_str()), name) == 0 && SameFile(module.c_str(), path)) return true;
    return false;
}

}  // namespace change
