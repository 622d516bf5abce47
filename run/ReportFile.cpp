#include "ReportFile.h"

#include <cstring>

#include "../cleanup/paths/FolderIdentity.h"
#include "../cleanup/files/FolderWalk.h"
#include "../cleanup/paths/PathText.h"
#include "../cleanup/files/ProductRemoval.h"
#include "../sys/OsInfo.h"
#include "../sys/OwnProgram.h"

const char kRunHeaderMark[] = "==== TolmUnload run ";

namespace {

const char kFileName[] = "TolmUnload.log";
// Room left for the new run when old runs are dropped.
const DWORD kRoomForRun = 64 * 1024;
const DWORD kMarkLength = sizeof kRunHeaderMark - 1;

std::string FilePath(const std::string& folder) {
    return folder + (pathtext::EndsWithBackslash(folder.c_str()) ? "" : "\\") + kFileName;
}

bool Seek(HANDLE file, ULONGLONG offset) {
    LONG high = static_cast<LONG>(offset >> 32);
    const DWORD low = ::SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR);
}

bool ReadExactly(HANDLE file, ULONGLONG offset, char* buffer, DWORD size) {
    DWORD read = 0;
    return Seek(file, offset) && ::ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    return size == 0 || (::WriteFile(file, data, size, &written, nullptr) && written == size);
}

// The file, open, is one the report may write to: a plain file of one name.
bool IsOwnPlainFile(HANDLE file, ULONGLONG& size) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info) || ::GetFileType(file) != FILE_TYPE_DISK) return false;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (info.nNumberOfLinks > 1) return false;
    size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return true;
}

// Drops the oldest whole runs until at most keep bytes are left: the kept part
// begins at the first run header within the last keep bytes (nothing is kept
// when there is none). Reads at most keep + 2 bytes. The new size, or false.
bool DropOldestRuns(HANDLE file, ULONGLONG size, DWORD keep, ULONGLONG& newSize) {
    const ULONGLONG start = size > keep + 2ull ? size - keep - 2 : 0;
    const DWORD length = static_cast<DWORD>(size - start);
    std::vector<char> window(length + 1);
    if (length && !ReadExactly(file, start, &window[0], length)) return false;
    window[length] = '\0';
    const std::string mark = std::string("\r\n") + kRunHeaderMark;
    DWORD cut = length;
    for (DWORD i = 0; i + mark.size() <= length; ++i) {
        if (std::memcmp(&window[i], mark.data(), mark.size()) == 0) {
            cut = i + 2;
            break;
        }
    }
    if (!Seek(file, 0) || !WriteAll(file, &window[cut], length - cut) || !::SetEndOfFile(file)) return false;
    newSize = length - cut;
    return true;
}

}  // namespace

bool OpenOwnReportFile(const std::string& folder, DWORD limit, DWORD room, FileHandle& file, DWORD& size) {
    if (folder.empty()) return false;
    // The link itself is opened, not what it names: asked only of NT, whose
    // file systems have links (the Windows 95 family refuses the flag).
    const DWORD linkFlag = IsWindowsNT() ? FILE_FLAG_OPEN_REPARSE_POINT : 0;
    FileHandle opened(::CreateFileA(FilePath(folder).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | linkFlag, nullptr));
    ULONGLONG length = 0;
    if (!opened || !IsOwnPlainFile(opened.Get(), length)) return false;
    if (length > 0) {
        // A file of the report's own begins with a run header; any other is not ours.
        char head[kMarkLength];
        if (length < kMarkLength || !ReadExactly(opened.Get(), 0, head, kMarkLength) ||
            std::memcmp(head, kRunHeaderMark, kMarkLength) != 0)
            return false;
    }
    if (length + room > limit) {
        const DWORD keep = limit > room ? limit - room : 0;
        if (!DropOldestRuns(opened.Get(), length, keep, length)) return false;
    }
    LONG high = 0;
    if (::SetFilePointer(opened.Get(), 0, &high, FILE_END) == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR)
        return false;
    size = static_cast<DWORD>(length);
    file = std::move(opened);
    return true;
}

FileRunReport::FileRunReport(std::vector<std::string> folders, DWORD limit)
    : m_folders(std::move(folders)), m_limit(limit) {}

FileRunReport::~FileRunReport() {
    if (!m_placed) Place(nullptr);
    Flush();
}

void FileRunReport::Line(const char* text) {
    std::string line = text ? text : "";
    line += "\r\n";
    if (!m_placed) {
        // Held until the file is placed; a run says little before that.
        if (m_held.size() + line.size() < m_limit / 2) m_held += line;
        return;
    }
    if (!m_file || m_size + line.size() >= m_limit) return;  // missing, or full: the rest is left out
    if (Write(line)) m_size += static_cast<DWORD>(line.size());
}

void FileRunReport::InstallFolder(const char* installDirectory) {
    if (!m_placed) Place(installDirectory);
}

void FileRunReport::Flush() {
    if (m_file) ::FlushFileBuffers(m_file.Get());
}

void FileRunReport::Place(const char* installDirectory) {
    m_placed = true;
    const char* cleared = ClearedFolder(installDirectory);
    for (const std::string& folder : m_folders) {
        if (!MayHoldOwnFiles(folder, cleared)) continue;
        FileHandle file;
        DWORD size = 0;
        if (!OpenOwnReportFile(folder, m_limit, kRoomForRun + static_cast<DWORD>(m_held.size()), file, size)) continue;
        m_file = std::move(file);
        if (!Write(m_held)) {
            m_file.Reset();
            continue;
        }
        m_size = size + static_cast<DWORD>(m_held.size());
        m_path = FilePath(folder);
        break;
    }
    m_held.clear();
}

bool FileRunReport::Write(const std::string& text) {
    return WriteAll(m_file.Get(), text.data(), static_cast<DWORD>(text.size()));
}

const char* ClearedFolder(const char* installDirectory) {
    return installDirectory && *installDirectory && !IsRefusedProductFolder(installDirectory) ? installDirectory
                                                                                              : nullptr;
}

bool MayHoldOwnFiles(const std::string& folder, const char* clearedFolder) {
    // Never through a link: the folder must be what its name says.
    if (folder.empty() || folderwalk::IsReparseFolder(folder.c_str())) return false;
    // Never inside the folder the run clears, or the file would go with it.
    return !(clearedFolder && folderwalk::IsSameOrBelow(folder.c_str(), clearedFolder));
}

bool AppendOwnReportLine(const std::string& folder, const std::string& line) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char header[80];
    wsprintfA(header, "%s%04u-%02u-%02u %02u:%02u:%02u ====\r\n", kRunHeaderMark, now.wYear, now.wMonth, now.wDay,
              now.wHour, now.wMinute, now.wSecond);
    const std::string text = header + line + "\r\n";
    FileHandle file;
    DWORD size = 0;
    if (!OpenOwnReportFile(folder, kReportLimit, static_cast<DWORD>(text.size()), file, size)) return false;
    const bool written = WriteAll(file.Get(), text.data(), static_cast<DWORD>(text.size()));
    ::FlushFileBuffers(file.Get());
    return written;
}

std::unique_ptr<RunReport> OpenFileRunReport() { return std::unique_ptr<RunReport>(new FileRunReport(OwnFileFolders())); }

std::vector<std::string> OwnFileFolders() {
    std::vector<std::string> folders;
    char path[MAX_PATH * 2];
    if (ToolFolder(path, sizeof path)) folders.push_back(path);
    DWORD n = ::GetTempPathA(sizeof path, path);
    if (n > 0 && n < sizeof path) folders.push_back(path);
    return folders;
}
