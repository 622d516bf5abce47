#include "FileTestSupport.h"

#include <algorithm>
#include <cstring>
#include <functional>

using namespace tolmtest;

namespace filetest {

bool MakeFolders(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') ::CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
    return IsFolder(path);
}

bool MakeFile(const std::string& path, const std::string& content) {
    size_t cut = path.find_last_of('\\');
    if (cut != std::string::npos && cut > 2) MakeFolders(path.substr(0, cut));
    return tolmtest::WriteFile(path, content);
}

DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }
bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }
bool IsFolder(const std::string& path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadAll(const std::string& path) { return tolmtest::ReadWholeFile(path).value_or("<missing>"); }

static void ListInto(const std::string& root, const std::string& rel, std::vector<std::string>& out) {
    WIN32_FIND_DATAA fd;
    std::string base = rel.empty() ? root : root + "\\" + rel;
    HANDLE h = ::FindFirstFileA((base + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == "..") continue;
        std::string r = rel.empty() ? n : rel + "\\" + n;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(r + "\\");
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) ListInto(root, r, out);
        } else {
            out.push_back(r);
        }
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
}

std::vector<std::string> ListTree(const std::string& root) {
    std::vector<std::string> out;
    ListInto(root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

UINT AnsiCodePage() { return ::GetACP(); }

HeldFile::HeldFile(const std::string& path) {
    if (!m_process.Start("\"" + BinDir() + "\\tests\\files\\file_holder.exe\" \"" + path + "\"")) return;
    // Held once nobody else can open it any more.
    m_held = WaitUntil([&] {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            ::CloseHandle(h);
            return false;
        }
        return ::GetLastError() == ERROR_SHARING_VIOLATION;
    }, 10000);
}

namespace {

// The Unix path of a Windows path, through Wine's own export; "" elsewhere.
std::string UnixPath(const std::string& path) {
    typedef char*(CDECL * ToUnix)(LPCWSTR);
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (!toUnix) return "";
    int n = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring w(n, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &w[0], n);
    char* u = toUnix(w.c_str());
    if (!u) return "";
    std::string s = u;
    ::HeapFree(::GetProcessHeap(), 0, u);
    return s;
}

// Starts a host program copied into the build folder (Wine starts Unix
// programs, but gives no handle to wait on: callers poll for the outcome).
bool StartHost(const std::string& tool, const std::string& args) {
    ChildProcess p;
    return p.Start("\"" + BinDir() + "\\tests\\files\\hostbin\\" + tool + "\" " + args);
}

}  // namespace

FolderLink::FolderLink(const std::string& linkPath, const std::string& target) : m_link(linkPath) {
    std::string unixTarget = UnixPath(target);
    size_t cut = linkPath.find_last_of('\\');
    std::string unixParent = UnixPath(linkPath.substr(0, cut));
    if (unixTarget.empty() || unixParent.empty()) return;
    if (!StartHost("ln", "-s \"" + unixTarget + "\" \"" + unixParent + "/" + linkPath.substr(cut + 1) + "\"")) return;
    // A link to a file shows as a plain file here.
    const bool toFolder = IsFolder(target);
    m_ok = WaitUntil([&] {
        DWORD a = Attributes(linkPath);
        return a != INVALID_FILE_ATTRIBUTES &&
               (!toFolder || ((a & FILE_ATTRIBUTE_REPARSE_POINT) && (a & FILE_ATTRIBUTE_DIRECTORY)));
    }, 10000);
}

FolderLink::~FolderLink() { Remove(); }

void FolderLink::Remove() {
    if (!m_ok) return;
    m_ok = false;
    size_t cut = m_link.find_last_of('\\');
    std::string unixParent = UnixPath(m_link.substr(0, cut));
    if (!unixParent.empty() && StartHost("rm", "-f \"" + unixParent + "/" + m_link.substr(cut + 1) + "\""))
        WaitUntil([&] { return !Exists(m_link); }, 10000);
}

void RemoveTree(const std::string& path) {
    RemoveTestTree(path, "C:\\");  // links are left to the FolderLink that made them
}

DWORD RunAsVersion(const std::string& helper, const std::string& version, const std::string& args) {
    std::string exeName = "tolm_" + helper + "_" + version + ".exe";
    std::string folder = "C:\\tolmtest\\versioned";
    MakeFolders(folder);
    std::string copy = folder + "\\" + exeName;
    if (!::CopyFileA((BinDir() + "\\tests\\files\\" + helper + ".exe").c_str(), copy.c_str(), FALSE)) return 0xFFFFFFFF;
    std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
    HKEY k = nullptr;
    DWORD result = 0xFFFFFFFF;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) ==
        ERROR_SUCCESS) {
        ::RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                         static_cast<DWORD>(version.size() + 1));
        ::RegCloseKey(k);
        ChildProcess p;
        if (p.Start("\"" + copy + "\" " + args)) {
            DWORD code = 0;
            if (p.Wait(30000, &code)) result = code;
        }
        ::RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    }
    ::DeleteFileA(copy.c_str());
    ::RemoveDirectoryA(folder.c_str());
    return result;
}

}  // namespace filetest
