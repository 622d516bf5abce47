#include "ReportFile.h"

#include <cstring>

#include "../cleanup/files/PathText.h"
#include "../framework/Handles.h"

const char kRunHeaderMark[] = "==== TolmUnload run ";

namespace {

const char kFileName[] = "TolmUnload.log";
// Room left for the new run when old runs are dropped.
const DWORD kRoomForRun = 64 * 1024;

// The full form of path without trailing backslashes; "" when it has none.
std::string FullFolder(const char* path) {
    char full[MAX_PATH * 2];
    DWORD n = ::GetFullPathNameA(path, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return "";
    size_t len = std::strlen(full);
    while (len > 3 && pathtext::EndsWithBackslash(full)) full[--len] = '\0';
    return full;
}

bool ReadWhole(const std::string& path, std::string& text) {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD size = ::GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE) return false;
    text.resize(size);
    DWORD read = 0;
    if (size && !::ReadFile(file.Get(), &text[0], size, &read, nullptr)) return false;
    text.resize(read);
    return true;
}

bool WriteAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return text.empty() || (::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                            written == text.size());
}

}  // namespace

std::string DropOldestRuns(const std::string& text, size_t keep) {
    if (text.size() <= keep) return text;
    const std::string mark = std::string("\r\n") + kRunHeaderMark;
    size_t at = text.find(mark);
    while (at != std::string::npos) {
        if (text.size() - (at + 2) <= keep) return text.substr(at + 2);
        at = text.find(mark, at + 2);
    }
    return "";
}

bool IsInsideFolder(const char* path, const char* folder) {
    if (!path || !folder || !*folder) return false;
    const std::string p = FullFolder(path), f = FullFolder(folder);
    if (p.empty() || f.empty() || p.size() < f.size()) return false;
    if (::lstrcmpiA(p.substr(0, f.size()).c_str(), f.c_str()) != 0) return false;
    return p.size() == f.size() || p[f.size()] == '\\' || pathtext::EndsWithBackslash(f.c_str());
}

FileRunReport::FileRunReport(std::vector<std::string> folders, DWORD limit)
    : m_folders(std::move(folders)), m_limit(limit) {}

FileRunReport::~FileRunReport() {
    if (!m_placed) Place(nullptr);
}

void FileRunReport::Line(const char* text) {
    std::string line = text ? text : "";
    line += "\r\n";
    if (!m_placed) {
        m_held.push_back(line);
        return;
    }
    if (m_path.empty() || m_size + line.size() >= m_limit) return;  // missing, or full: the rest is left out
    if (Append(m_path, line)) m_size += static_cast<DWORD>(line.size());
}

void FileRunReport::InstallFolder(const char* installDirectory) {
    if (!m_placed) Place(installDirectory);
}

void FileRunReport::Place(const char* installDirectory) {
    m_placed = true;
    std::string held;
    for (const std::string& line : m_held) held += line;
    m_held.clear();
    for (const std::string& folder : m_folders) {
        // Never inside the folder the run clears: the report would go with it.
        if (folder.empty() || (installDirectory && *installDirectory && IsInsideFolder(folder.c_str(), installDirectory)))
            continue;
        const std::string path = folder + (pathtext::EndsWithBackslash(folder.c_str()) ? "" : "\\") + kFileName;
        std::string old;
        if (ReadWhole(path, old) && old.size() + held.size() + kRoomForRun > m_limit) {
            const size_t keep = m_limit > kRoomForRun + held.size() ? m_limit - kRoomForRun - held.size() : 0;
            std::string kept = DropOldestRuns(old, keep);
            FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file || !WriteAll(file.Get(), kept)) continue;
            old.swap(kept);
        }
        if (!Append(path, held)) continue;
        m_path = path;
        m_size = static_cast<DWORD>(old.size() + held.size());
        return;
    }
}

bool FileRunReport::Append(const std::string& path, const std::string& text) {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    if (::SetFilePointer(file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        ::GetLastError() != NO_ERROR)
        return false;
    if (!WriteAll(file.Get(), text)) return false;
    ::FlushFileBuffers(file.Get());
    return true;
}

std::unique_ptr<RunReport> OpenFileRunReport() {
    std::vector<std::string> folders;
    char path[MAX_PATH * 2];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (n > 0 && n < sizeof path) {
        if (const char* last = pathtext::LastBackslash(path)) folders.push_back(std::string(path, last - path));
    }
    n = ::GetTempPathA(sizeof path, path);
    if (n > 0 && n < sizeof path) folders.push_back(path);
    return std::unique_ptr<RunReport>(new FileRunReport(folders));
}
