#include "ReportFile.h"

#include <cstring>

#include "../cleanup/change/ChangeSession.h"
#include "../cleanup/paths/PathText.h"
#include "../sys/OsInfo.h"

const char kRunHeaderMark[] = "==== TolmUnload run ";

namespace {

const char kFileName[] = "TolmUnload.log";
// Room left for the new run when old runs are dropped.
const DWORD kRoomForRun = 64 * 1024;
// Room a run keeps for its latest lines (its answers, its end, its result)
// once it reaches the limit, and for the line that says where it was cut.
const DWORD kEndRoom = 16 * 1024;
const DWORD kCutLineRoom = 128;
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

// Why the open file may not take the report, "" when it is a plain file of one name.
const char* NotOwnPlainFile(HANDLE file, ULONGLONG& size) {
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileType(file) != FILE_TYPE_DISK) return "a device, not a file";
    if (!::GetFileInformationByHandle(file, &info)) return "it cannot be read";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return "it is a link";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "it is a folder";
    if (info.nNumberOfLinks > 1) return "the file has other links";
    size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return "";
}

// True when path names a device: the device namespace, or a reserved name
// (CON, NUL, COM1, ...) with or without an extension, in any folder.
bool IsDeviceName(const std::string& path) {
    if (path.compare(0, 4, "\\\\.\\") == 0) return true;
    const char* last = pathtext::LastBackslash(path.c_str());
    std::string base = last ? last + 1 : path;
    if (base.size() > 1 && base[1] == ':') base = base.substr(2);
    base = base.substr(0, base.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices)
        if (pathtext::EqualNoCase(base.c_str(), device)) return true;
    return base.size() == 4 && base[3] >= '1' && base[3] <= '9' &&
           (pathtext::EqualNoCase(base.substr(0, 3).c_str(), "COM") ||
            pathtext::EqualNoCase(base.substr(0, 3).c_str(), "LPT"));
}

// The folder part of path ("C:\" for a file in a drive's root).
std::string FolderOf(const std::string& path) {
    const char* last = pathtext::LastBackslash(path.c_str());
    if (!last) return "";
    std::string folder = path.substr(0, last - path.c_str());
    return folder.size() == 2 && folder[1] == ':' ? folder + "\\" : folder;
}

// What the kept part of a file begins with when its first run lost its beginning.
std::string CutRunHeader() { return std::string(kRunHeaderMark) + "(earlier run, its beginning left out) ====\r\n"; }

// Drops the oldest lines until at most keep bytes are left: the kept part
// begins at the first line that begins within the last keep bytes, so that
// the end of the run before survives even when that run alone is larger; a
// kept part that does not begin with a run header gets one saying so. Reads
// at most keep bytes. The new size, or false.
bool DropOldestLines(HANDLE file, ULONGLONG size, DWORD keep, ULONGLONG& newSize) {
    const std::string header = CutRunHeader();
    if (keep < header.size() + 2) keep = 0;
    const DWORD room = keep ? keep - static_cast<DWORD>(header.size()) : 0;
    const ULONGLONG start = size > room ? size - room : 0;
    const DWORD length = static_cast<DWORD>(size - start);
    std::vector<char> window(length + 1);
    if (length && !ReadExactly(file, start, &window[0], length)) return false;
    DWORD cut = 0;
    if (start > 0) {  // the window may begin inside a line: it is kept from the next one
        char before = 0;
        if (!ReadExactly(file, start - 1, &before, 1)) return false;
        if (before != '\n') {
            while (cut < length && window[cut] != '\n') ++cut;
            cut = cut < length ? cut + 1 : length;
        }
    }
    std::string kept(&window[0] + cut, length - cut);
    if (!kept.empty() && kept.compare(0, kMarkLength, kRunHeaderMark) != 0) kept = header + kept;
    if (!Seek(file, 0) || !WriteAll(file, kept.data(), static_cast<DWORD>(kept.size())) || !::SetEndOfFile(file))
        return false;
    newSize = kept.size();
    return true;
}

}  // namespace

std::string OpenOwnReportFile(const std::string& path, DWORD limit, DWORD room, bool mayDrop, FileHandle& file,
                              DWORD& size) {
    if (path.empty()) return "no file named";
    // A device is never opened: opening some of them does something.
    if (IsDeviceName(path)) return "a device, not a file";
    // The link itself is opened, not what it names: asked only of NT, whose
    // file systems have links (the Windows 95 family refuses the flag).
    const DWORD linkFlag = IsWindowsNT() ? FILE_FLAG_OPEN_REPARSE_POINT : 0;
    FileHandle opened(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | linkFlag, nullptr));
    if (!opened) {
        char why[64];
        wsprintfA(why, "it cannot be made or opened (error %lu)", ::GetLastError());
        return why;
    }
    ULONGLONG length = 0;
    const char* notOwn = NotOwnPlainFile(opened.Get(), length);
    if (*notOwn) return notOwn;
    if (length > 0) {
        // A file of the report's own begins with a run header; any other is not ours.
        char head[kMarkLength];
        if (length < kMarkLength || !ReadExactly(opened.Get(), 0, head, kMarkLength) ||
            std::memcmp(head, kRunHeaderMark, kMarkLength) != 0)
            return "it is not the tool's own report";
    }
    if (length + room > limit) {
        if (!mayDrop) return "it has no room, and a preview drops nothing of earlier runs";
        const DWORD keep = limit > room ? limit - room : 0;
        if (!DropOldestLines(opened.Get(), length, keep, length)) return "its old runs cannot be dropped";
    }
    LONG high = 0;
    if (::SetFilePointer(opened.Get(), 0, &high, FILE_END) == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR)
        return "its end cannot be reached";
    size = static_cast<DWORD>(length);
    file = std::move(opened);
    return "";
}

FileRunReport::FileRunReport(std::vector<std::string> folders, DWORD limit, bool mayDrop, const char* namedFile,
                             const RunFolders* run)
    : m_folders(std::move(folders)), m_run(run), m_limit(limit), m_mayDrop(mayDrop), m_named(namedFile != nullptr),
      m_namedFile(namedFile ? namedFile : "") {}

FileRunReport::~FileRunReport() {
    InstallFolder(nullptr);
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
    if (!m_file) return;
    if (!m_cutAt) {
        if (m_size + line.size() + kEndRoom < m_limit) {
            if (Write(line)) m_size += static_cast<DWORD>(line.size());
            return;
        }
        m_cutAt = m_size;  // full but for the end's room: from here on only the latest lines are kept
    }
    m_tail += line;
    while (m_tail.size() > kEndRoom - kCutLineRoom) {
        const size_t next = m_tail.find("\r\n");
        m_tail.erase(0, next == std::string::npos ? m_tail.size() : next + 2);
        ++m_leftOut;
    }
}

void FileRunReport::InstallFolder(const char* installDirectory) {
    if (m_placed) return;
    if (m_run && m_run->decided) return Place(*m_run);
    // Without the run's decision (a run that ended before it, or a report on
    // its own): installDirectory is the folder the run clears.
    std::string cleared = installDirectory ? installDirectory : "";
    RunFolders alone;
    alone.install = IdentifyFolder(installDirectory ? &cleared[0] : nullptr);
    if (m_run) alone = DecideRunFolders(alone.install);
    for (const std::string& folder : m_folders)
        if (!*alone.NotForOwnFiles(folder)) alone.ownFiles.push_back(folder);
    Place(alone);
}

void FileRunReport::Flush() {
    if (!m_file) return;
    if (m_cutAt) {
        // The latest lines after the cut, written over the ones written before.
        char cut[kCutLineRoom];
        wsprintfA(cut, "(report cut here: %d lines left out, to keep the file below %lu bytes)\r\n", m_leftOut,
                  m_limit);
        const std::string text = (m_leftOut ? std::string(cut) : std::string()) + m_tail;
        if (Seek(m_file.Get(), m_cutAt) && Write(text) && ::SetEndOfFile(m_file.Get()))
            m_size = m_cutAt + static_cast<DWORD>(text.size());
    }
    ::FlushFileBuffers(m_file.Get());
}

void FileRunReport::Place(const RunFolders& run) {
    m_placed = true;
    if (m_named) {
        // The administrator's choice first; refused, the usual places, and why.
        const std::string path = NamedReportFile(m_namedFile);
        const char* notHere = path.empty() ? "" : run.NotForOwnFiles(FolderOf(path));
        const std::string why = *notHere ? std::string(notHere) : PlaceAt(path);
        if (why.empty()) return;
        m_held += m_namedFile.empty() ? std::string("Report: /log named no file; it is written here instead\r\n")
                                      : "Report: not written to \"" + m_namedFile + "\", which /log named (" + why +
                                            "); it is written here instead\r\n";
    }
    for (const std::string& folder : run.ownFiles) {
        if (PlaceAt(FilePath(folder)).empty()) return;
    }
    m_held.clear();
}

std::string FileRunReport::PlaceAt(const std::string& path) {
    if (path.empty()) return "no file named";
    FileHandle file;
    DWORD size = 0;
    const std::string why =
        OpenOwnReportFile(path, m_limit, kRoomForRun + static_cast<DWORD>(m_held.size()), m_mayDrop, file, size);
    if (!why.empty()) return why;
    m_file = std::move(file);
    if (!Write(m_held)) {
        m_file.Reset();
        return "it cannot be written";
    }
    m_size = size + static_cast<DWORD>(m_held.size());
    m_path = path;
    m_held.clear();
    return "";
}

bool FileRunReport::Write(const std::string& text) {
    return WriteAll(m_file.Get(), text.data(), static_cast<DWORD>(text.size()));
}

std::unique_ptr<RunReport> OpenFileRunReport(const char* logFile, const RunFolders* run) {
    // A preview changes nothing, not even what the report keeps of earlier runs.
    return std::unique_ptr<RunReport>(new FileRunReport({}, kReportLimit, !change::Previewing(), logFile, run));
}

std::string NamedReportFile(const std::string& name) {
    char full[MAX_PATH * 2];
    char* filePart = nullptr;
    const DWORD n = name.empty() ? 0 : ::GetFullPathNameA(name.c_str(), sizeof full, full, &filePart);
    if (n == 0 || n >= sizeof full) return "";
    const DWORD attrs = ::GetFileAttributesA(full);
    const bool folder = attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
    return folder || pathtext::EndsWithBackslash(full) ? FilePath(full) : std::string(full);
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
    if (!OpenOwnReportFile(FilePath(folder), kReportLimit, static_cast<DWORD>(text.size()), true, file, size).empty())
        return false;
    const bool written = WriteAll(file.Get(), text.data(), static_cast<DWORD>(text.size()));
    ::FlushFileBuffers(file.Get());
    return written;
}

