#include "TestSupport.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace tolmtest {

std::string Env(const char* name) {
    char buf[1024];
    DWORD n = ::GetEnvironmentVariableA(name, buf, sizeof buf);
    return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

std::string ToolPath() { return Env("TOLM_TOOL"); }
std::string BinDir() { return Env("TOLM_BIN"); }
std::string PrefixKind() { return Env("TOLM_PREFIX_KIND"); }

std::wstring WideFromUtf8(const char* utf8) {
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &w[0], n);
    return w;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return text;
}

std::string FromUtf8(const char* utf8, UINT cp) {
    std::wstring w = WideFromUtf8(utf8);
    if (w.empty()) return std::string();
    int n = ::WideCharToMultiByte(cp, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    ::WideCharToMultiByte(cp, 0, w.c_str(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

DWORD WaitScale() {
    char text[16] = {};
    DWORD n = ::GetEnvironmentVariableA("TOLM_WAIT_SCALE", text, sizeof text);
    int scale = (n > 0 && n < sizeof text) ? std::atoi(text) : 1;
    return scale > 1 ? static_cast<DWORD>(scale) : 1;
}

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs, DWORD stepMs) {
    timeoutMs *= WaitScale();
    DWORD start = ::GetTickCount();
    for (;;) {
        if (pred()) return true;
        if (::GetTickCount() - start >= timeoutMs) return pred();
        ::Sleep(stepMs);
    }
}

ChildProcess::~ChildProcess() {
    if (m_process) {
        if (Running()) {
            ::TerminateProcess(m_process, 0xDEAD);
            ::WaitForSingleObject(m_process, 5000);
        }
        ::CloseHandle(m_process);
    }
}

bool ChildProcess::Start(const std::string& commandLine, const char* workDir) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir, &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    m_pid = pi.dwProcessId;
    return true;
}

bool ChildProcess::Attach(DWORD pid) {
    if (m_process) return false;
    m_process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
    if (!m_process) return false;
    m_pid = pid;
    return true;
}

bool ChildProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (!m_process) return false;
    if (timeoutMs != INFINITE) timeoutMs *= WaitScale();
    if (::WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) ::GetExitCodeProcess(m_process, exitCode);
    return true;
}

bool ChildProcess::Running() const {
    return m_process && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

void ChildProcess::Kill() {
    if (Running()) {
        ::TerminateProcess(m_process, 0xDEAD);
        ::WaitForSingleObject(m_process, 5000);
    }
}

namespace {
BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* a = reinterpret_cast<std::pair<const std::function<bool(HWND)>*, std::vector<HWND>*>*>(lp);
    if ((*a->first)(hwnd)) a->second->push_back(hwnd);
    return TRUE;
}

bool Of(HWND hwnd, DWORD pid, DWORD tid) {
    DWORD owner = 0;
    const DWORD thread = ::GetWindowThreadProcessId(hwnd, &owner);
    return (!pid || owner == pid) && (!tid || thread == tid);
}

HWND WaitForWindow(DWORD pid, DWORD tid, const char* cls, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] {
        const std::vector<HWND> all =
            TopLevelWindows([&](HWND h) { return Of(h, pid, tid) && (!cls || ClassName(h) == cls); });
        found = all.empty() ? nullptr : all.front();
        return found != nullptr;
    }, timeoutMs);
    return found;
}
}  // namespace

std::vector<HWND> TopLevelWindows(const std::function<bool(HWND)>& match) {
    std::vector<HWND> found;
    std::pair<const std::function<bool(HWND)>*, std::vector<HWND>*> a(&match, &found);
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&a));
    return found;
}

std::vector<HWND> Dialogs(DWORD pid, DWORD tid, bool visibleOnly) {
    return TopLevelWindows([&](HWND h) {
        return Of(h, pid, tid) && ClassName(h) == "#32770" && (!visibleOnly || ::IsWindowVisible(h));
    });
}

HWND WaitForProcessWindow(DWORD pid, const char* cls, DWORD timeoutMs) {
    return WaitForWindow(pid, 0, cls, timeoutMs);
}

HWND WaitForThreadWindow(DWORD tid, const char* cls, DWORD timeoutMs) {
    return WaitForWindow(0, tid, cls, timeoutMs);
}

std::string WindowText(HWND hwnd) {
    char buf[4096] = {};
    // WM_GETTEXT works across threads and processes, unlike GetWindowText for controls.
    LRESULT n = ::SendMessageA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string ClassName(HWND hwnd) {
    char buf[256] = {};
    int n = ::GetClassNameA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

ScratchDir::ScratchDir(const std::string& tag) {
    ::CreateDirectoryA("C:\\tolmtest", nullptr);
    char name[64];
    std::snprintf(name, sizeof name, "%s-%lu-%lu", tag.c_str(), ::GetCurrentProcessId(), ::GetTickCount());
    m_path = std::string("C:\\tolmtest\\") + name;
    RemoveTestTree(m_path);
    ::CreateDirectoryA(m_path.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveTestTree(m_path); }

void RemoveTestTree(const std::string& path, const char* root) {
    const size_t rootLength = strlen(root);
    if (path.size() <= rootLength || _strnicmp(path.c_str(), root, rootLength) != 0) return;
    DWORD attrs = ::GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return;
    // A link is neither followed nor removed: under Wine, removing a link to a
    // folder removes the (empty) folder behind it. Whoever made it takes it away.
    if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) return;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA((path + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string n = fd.cFileName;
                if (n != "." && n != "..") RemoveTestTree(path + "\\" + n, root);
            } while (::FindNextFileA(h, &fd));
            ::FindClose(h);
        }
        ::RemoveDirectoryA(path.c_str());
    } else {
        ::DeleteFileA(path.c_str());
    }
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteFile(const std::string& path, const std::string& content) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == content.size();
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(h, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    ::CloseHandle(h);
    return text;
}

ScopedWindowsVersion::ScopedWindowsVersion(const std::string& exeName, const char* version)
    : m_key("Software\\Wine\\AppDefaults\\" + exeName) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == 0) {
        m_ok = ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                static_cast<DWORD>(strlen(version) + 1)) == ERROR_SUCCESS;
        ::RegCloseKey(key);
    }
}

ScopedWindowsVersion::~ScopedWindowsVersion() {
    ::RegDeleteKeyA(HKEY_CURRENT_USER, m_key.c_str());
}

bool RunProbeAs(const std::string& source, const ScratchDir& dir, const std::string& exeName, std::string* output) {
    const std::string exe = dir / exeName;
    const std::string out = dir / "out.txt";
    ChildProcess child;
    DWORD code = 99;
    if (!::CopyFileA(source.c_str(), exe.c_str(), FALSE) || !child.Start("\"" + exe + "\" \"" + out + "\"") ||
        !child.Wait(60000, &code) || code != 0)
        return false;
    std::ifstream in(out, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    *output = all.str();
    return true;
}

ScopedDisabledDlls::ScopedDisabledDlls(const std::string& exeName, std::initializer_list<const char*> dlls)
    : m_key("Software\\Wine\\AppDefaults\\" + exeName) {
    HKEY key = nullptr;
    m_ok = ::RegCreateKeyExA(HKEY_CURRENT_USER, (m_key + "\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                             nullptr, &key, nullptr) == ERROR_SUCCESS;
    for (const char* dll : dlls)
        m_ok = m_ok && ::RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) == ERROR_SUCCESS;
    if (key) ::RegCloseKey(key);
}

ScopedDisabledDlls::~ScopedDisabledDlls() {
    ::RegDeleteKeyA(HKEY_CURRENT_USER, (m_key + "\\DllOverrides").c_str());
    // The program's key goes too unless it holds other settings (a Version).
    HKEY key = nullptr;
    DWORD subkeys = 0, values = 0;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    LONG rc = ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                                 nullptr, nullptr);
    ::RegCloseKey(key);
    if (rc == ERROR_SUCCESS && subkeys == 0 && values == 0) ::RegDeleteKeyA(HKEY_CURRENT_USER, m_key.c_str());
}

std::vector<DWORD> ProcessesNamed(const char* name) {
    std::vector<DWORD> ids;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 e = {};
    e.dwSize = sizeof e;
    for (BOOL ok = ::Process32First(snap, &e); ok; ok = ::Process32Next(snap, &e))
        if (lstrcmpiA(e.szExeFile, name) == 0) ids.push_back(e.th32ProcessID);
    ::CloseHandle(snap);
    return ids;
}

std::string SelfPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH - 1);
    return path;
}

std::string CopySelf(const std::string& dir, const std::string& name) {
    std::string target = dir + "\\" + name;
    return ::CopyFileA(SelfPath().c_str(), target.c_str(), FALSE) ? target : std::string();
}

DWORD GdiObjectCount() {
    typedef DWORD(WINAPI * GetGuiResourcesFn)(HANDLE, DWORD);
    auto getGuiResources = reinterpret_cast<GetGuiResourcesFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetGuiResources")));
    DWORD count = getGuiResources ? getGuiResources(::GetCurrentProcess(), 0 /* GR_GDIOBJECTS */) : 0;
    if (count) return count;
    // Wine takes a handle's table index alone (high word 0) as that entry's handle.
    for (ULONG_PTR index = 1; index < 0x10000; ++index)
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++count;
    return count;
}

}  // namespace tolmtest
