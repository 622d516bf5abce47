// Stands in for the tool across a real restart of a Wine prefix:
//   restart_tool --schedule <dir>   makes dir with a file held open by a child
//                                   (restart_tool --hold <file>), then calls
//                                   ScheduleFolderRemoval; exit 0 when
//                                   "TQMUNLOAD" was registered
//   restart_tool --remove <dir>     the same file in use in dir\sub, then the
//                                   run's file step: the folder removal, the
//                                   second start and the companion, in a
//                                   change session; exit 0 when "TQMUNLOAD" was
//                                   registered
//   restart_tool --gone <dir>       ScheduleFolderRemoval on a folder that is gone,
//                                   in a change session; exit 0 when it succeeded
//   restart_tool <anything else>    what RunOnce starts: writes its command line
//                                   to record-<its name>.txt beside itself
#include <windows.h>

#include <cstring>
#include <string>

#include "ChangeSession.h"
#include "ProductRemoval.h"
#include "RestartPreparation.h"

namespace {

std::string OwnFolder() {
    char p[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, p, MAX_PATH);
    std::string s(p, n);
    return s.substr(0, s.find_last_of('\\'));
}

int Schedule(const std::string& dir, bool run) {
    ::CreateDirectoryA(dir.c_str(), nullptr);
    if (run) ::CreateDirectoryA((dir + "\\sub").c_str(), nullptr);
    std::string file = dir + (dir.back() == '\\' ? "" : "\\") + (run ? "sub\\TQM32.EXE" : "TQM32.EXE");
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = std::string("\"") + self + "\" --hold \"" + file + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 2;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    for (int i = 0; i < 500; ++i) {  // until the child holds it
        HANDLE h = ::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_SHARING_VIOLATION) break;
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        ::Sleep(20);
    }
    if (::DeleteFileA(file.c_str())) return 3;  // not in use after all
    if (run) {
        change::Session session(change::Mode::Act);
        char text[InstallDirectoryBufferSize] = {};
        lstrcpynA(text, dir.c_str(), sizeof text);
        RemoveProductFolder(text, sizeof text);
        ScheduleFolderRemoval(text);
        PrepareVistaCompanion();
    } else {
        ScheduleFolderRemoval(dir.c_str());
    }
    HKEY k = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0, KEY_READ, &k))
        return 4;
    LONG r = ::RegQueryValueExA(k, "TQMUNLOAD", nullptr, nullptr, nullptr, nullptr);
    ::RegCloseKey(k);
    return r == ERROR_SUCCESS ? 0 : 5;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--schedule") == 0) return Schedule(argv[2], false);
    if (argc >= 3 && std::strcmp(argv[1], "--remove") == 0) return Schedule(argv[2], true);
    if (argc >= 3 && std::strcmp(argv[1], "--gone") == 0) {
        change::Session session(change::Mode::Act);
        return ScheduleFolderRemoval(argv[2]) == 1 ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--hold") == 0) {
        HANDLE h = ::CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 1;
        ::Sleep(INFINITE);
    }
    char self[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string name(self, n);
    name = name.substr(name.find_last_of('\\') + 1);
    std::string record = OwnFolder() + "\\record-" + name.substr(0, name.find('.')) + ".txt";
    HANDLE h = ::CreateFileA(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    const char* line = ::GetCommandLineA();
    DWORD written = 0;
    ::WriteFile(h, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    ::CloseHandle(h);
    return 0;
}
