#include "FileChanges.h"

#include <cstring>

#include "../../framework/Handles.h"
#include "../../sys/OsInfo.h"
#include "../paths/PathText.h"
#include "ChangeOutcome.h"
#include "ChangeSession.h"
#include "HeldImages.h"
#include "HeldFiles.h"

namespace change {

namespace {

// What the removal of an empty folder comes to (a file's: kDeletion).
const Outcome kFolderRemoval[] = {
    {0, "removed", kRemoved | kMakesGood | kGone | kWouldBe},
    {kAbsentCode, "absent", 0},
    {ERROR_DIR_NOT_EMPTY, "left, not empty", kWouldBe},
    {kInUseCode, "left, in use (error %e)", kPending | kInUse, "in use now, would be left"},
    {kOtherCode, "refused (error %e)", kRefused | kLeaves | kWouldBe},
};
// A copy: %1 its source, %2 its destination. A copy that is not made leaves
// the original where it is.
const Outcome kCopy[] = {
    {0, "copied %1 to %2", kWritten, "would copy %1 to %2"},
    {kAbsentCode, "not copied, absent: %1", 0},
    {ERROR_TOO_MANY_LINKS, "not copied, the destination has other links: %1 to %2", kFailed},
    {ERROR_CANT_ACCESS_FILE, "not copied, the destination is a link or a folder: %1 to %2", kFailed},
    {kOtherCode, "not copied (error %e): %1 to %2", kFailed},
};
// A folder made: nothing is said of it.
const Outcome kFolderMade[] = {
    {0, nullptr, kWritten | kMade},
    {kOtherCode, nullptr, 0},
};

BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

// A preview's answer to "could this file be deleted now": the module of a
// running process that the run does not end is refused, as the system refuses
// it; a file held open without the sharing a deletion needs is in use, also
// when one of the suite's processes holds it (the preview ends none).
BOOL PreviewDeletion(const char* path) {
    const DWORD attrs = Attributes(path);
    if (attrs == INVALID_FILE_ATTRIBUTES) return FALSE;
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) return Fail(ERROR_ACCESS_DENIED);
    if (IsHeldImage(path)) return Fail(ERROR_ACCESS_DENIED);
    const bool nt = IsWindowsNT() != 0;
    FileHandle probe(::CreateFileA(path, nt ? DELETE : GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | (nt ? FILE_SHARE_DELETE : 0), nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    return probe || !IsInUse(::GetLastError());
}

// The destination, if it exists, is a file of a single name (the check the
// copy makes on its open handle, made here without writing).
bool IsOwnFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info)) return false;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    if (info.nNumberOfLinks > 1) {
        ::SetLastError(ERROR_TOO_MANY_LINKS);
        return false;
    }
    return true;
}

// The link itself is opened, not what it names: asked only of NT, whose file
// systems have links (the Windows 95 family refuses the flag).
DWORD LinkFlag() { return IsWindowsNT() ? FILE_FLAG_OPEN_REPARSE_POINT : 0; }

// The source of a copy: on NT a file of its own (HeldFiles.h), so that a link
// put in its place never brings another file's content into the copy.
FileHandle OpenSource(const char* source) {
    if (HoldsByHandle()) return OpenChecked(source, GENERIC_READ, FILE_SHARE_READ, false);
    return FileHandle(::CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Deletes the file (folder false) or empty folder now: on NT through a handle
// that was checked to open the entry itself, on the Windows 95 family by path.
BOOL RemoveNow(const char* path, bool folder, bool resetAttributes) {
    if (!HoldsByHandle()) {
        if (resetAttributes) ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);  // its result is not looked at
        return folder ? ::RemoveDirectoryA(path) : ::DeleteFileA(path);
    }
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    FileHandle entry(OpenChecked(path, DELETE | FILE_READ_ATTRIBUTES | (resetAttributes ? FILE_WRITE_ATTRIBUTES : 0),
                                 share, folder));
    // Where only deletion is granted, it is tried without the reset.
    if (!entry && resetAttributes && ::GetLastError() == ERROR_ACCESS_DENIED) {
        entry = OpenChecked(path, DELETE | FILE_READ_ATTRIBUTES, share, folder);
        resetAttributes = false;
    }
    return entry && DeleteOnClose(entry.Get(), resetAttributes);
}

BOOL CopyToOwnFile(const char* source, const char* destination) {
    FileHandle from(OpenSource(source));
    if (!from) return FALSE;
    if (Previewing()) {
        FileHandle existing(::CreateFileA(destination, FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, LinkFlag(), nullptr));
        return !existing || IsOwnFile(existing.Get());
    }
    FileHandle to(::CreateFileA(destination, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | LinkFlag(),
                                nullptr));
    if (!to || !IsOwnFile(to.Get())) return FALSE;
    if (HoldsByHandle() && !IsOwnEntry(to.Get(), destination)) return Fail(ERROR_CANT_ACCESS_FILE);
    char buffer[32768];
    for (;;) {
        DWORD read = 0, written = 0;
        if (!::ReadFile(from.Get(), buffer, sizeof buffer, &read, nullptr)) return FALSE;
        if (read == 0) break;
        if (!::WriteFile(to.Get(), buffer, read, &written, nullptr) || written != read) return FALSE;
    }
    if (!::SetEndOfFile(to.Get())) return FALSE;
    FILETIME created, accessed, modified;
    if (::GetFileTime(from.Get(), &created, &accessed, &modified)) ::SetFileTime(to.Get(), &created, &accessed, &modified);
    return TRUE;
}

}  // namespace

DWORD Attributes(const char* path) {
    Session* session = Current();
    if (session && session->GetMode() == Mode::Preview && path) {
        const std::string item = PathItem(path);
        if (session->IsMade(item)) return FILE_ATTRIBUTE_DIRECTORY;
        if (session->IsGone(item)) {
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_FILE_ATTRIBUTES;
        }
    }
    return ::GetFileAttributesA(path);
}

bool IsGoneEntry(const char* folder, const char* name) {
    if (!Previewing()) return false;
    return Current()->IsGone(PathItem((std::string(folder) + "\\" + name).c_str()));
}

bool ForEachSeenEntry(const char* folder, const std::function<bool(const std::string& item)>& f) {
    char pattern[520];
    WIN32_FIND_DATAA fd;
    if (!pathtext::BuildPath(pattern, sizeof pattern, folder, pathtext::EndsWithBackslash(folder) ? "*.*" : "\\*.*"))
        return false;
    FindHandle find(::FindFirstFileA(pattern, &fd));
    if (!find) return false;
    do {
        if (pathtext::IsDotEntry(fd.cFileName)) continue;
        const std::string item = PathItem((std::string(folder) + "\\" + fd.cFileName).c_str());
        if (!(Previewing() && Current()->IsGone(item)) && !f(item)) break;
    } while (::FindNextFileA(find.Get(), &fd));
    return true;
}

BOOL RemoveFile(const char* path) {
    // The one attempt: a file in use fails here, with ERROR_SHARING_VIOLATION.
    return !Carry({std::string("file ") + path, PathItem(path), kDeletion},
                  [&] { return Code(RemoveNow(path, false, true)); }, [&] { return Code(PreviewDeletion(path)); });
}

BOOL RemoveFileIfPresent(const char* path) {
    // Nothing is said of a file that is not there.
    if (Attributes(path) == INVALID_FILE_ATTRIBUTES) return FALSE;
    return RemoveFile(path);
}

BOOL RemoveFolder(const char* path, bool resetAttributes) {
    // In a preview a folder is empty once everything listed in it would be gone.
    const auto answer = [&]() -> DWORD {
        const DWORD attrs = Attributes(path);
        if (attrs == INVALID_FILE_ATTRIBUTES) return ::GetLastError();
        if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) return Code(Fail(ERROR_DIRECTORY));
        bool empty = true;
        ForEachSeenEntry(path, [&](const std::string&) { return empty = false; });
        return empty ? 0 : Code(Fail(ERROR_DIR_NOT_EMPTY));
    };
    return !Carry({std::string("folder ") + path, PathItem(path), kFolderRemoval},
                  [&] { return Code(RemoveNow(path, true, resetAttributes)); }, answer);
}

BOOL MakeFolder(const char* path) {
    if (Attributes(path) != INVALID_FILE_ATTRIBUTES) return Fail(ERROR_ALREADY_EXISTS);
    return !Carry({"", PathItem(path), kFolderMade}, [&] { return Code(::CreateDirectoryA(path, nullptr)); }, nullptr);
}

bool MakeOwnFolder(const char* base, const char* folder, HeldWay* way) {
    if (!base || !folder) return false;
    const size_t start = std::strlen(base);
    char path[520];
    if (std::strncmp(base, folder, start) != 0 || !pathtext::BuildPath(path, sizeof path, folder)) return false;
    // Each level is asked without its trailing backslash (with one, the system
    // describes the folder behind a link).
    return pathtext::ForEachLevel(path, start, [way](const char* level) {
        MakeFolder(level);  // one that is there already is looked at below
        // A real run on NT holds each level, checked on its handle, until the caller is done.
        if (way && HoldsByHandle() && !Previewing()) return way->Add(level);
        const DWORD attrs = Attributes(level);
        return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) &&
               !(attrs & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}

BOOL CopyToFile(const char* source, const char* destination) {
    if (!source || !destination) return Fail(ERROR_INVALID_PARAMETER);
    const Call copy = [&] { return Code(CopyToOwnFile(source, destination)); };
    return !Carry({"", "", kCopy, source, destination}, copy, copy);
}

}  // namespace change
