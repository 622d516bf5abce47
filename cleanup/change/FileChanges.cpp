#include "FileChanges.h"

#include <cstring>

#include "../../framework/Absent.h"
#include "../../framework/Handles.h"
#include "../../sys/OsInfo.h"
#include "../paths/PathText.h"
#include "../report/RunReport.h"
#include "ChangeSession.h"
#include "HeldImages.h"
#include "HeldFiles.h"

namespace change {

namespace {

bool IsInUse(DWORD e) { return e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION; }

// Reports and counts a deleted (or not deleted) file or folder: kind "file" or
// "folder", done its word for the deletion, leftNow what a preview says of one
// in use. Passes ok through.
BOOL DeletionOutcome(const char* kind, const char* path, BOOL ok, const char* done, const char* leftNow) {
    KeepLastError keep;
    const DWORD e = keep.Error();
    const bool preview = Previewing();
    if (ok) {
        Count(&Tally::removed);
        if (AnyLeft()) Removed(PathItem(path));
        report::Note(preview ? "  %s %s: would be %s" : "  %s %s: %s", kind, path, done);
    } else if (IsAbsent(e)) {
        report::Note("  %s %s: absent", kind, path);
    } else if (e == ERROR_DIR_NOT_EMPTY) {
        report::Note(preview ? "  %s %s: would be left, not empty" : "  %s %s: left, not empty", kind, path);
    } else if (IsInUse(e)) {
        Count(&Tally::pending);
        if (Session* session = Current()) session->LeftInUse(PathItem(path));
        if (preview)
            report::Note("  %s %s: in use now, %s", kind, path, leftNow);
        else
            report::Note("  %s %s: left, in use (error %lu)", kind, path, e);
    } else {
        Count(&Tally::refused);
        Refuse(PathItem(path));
        report::Note(preview ? "  %s %s: would be refused (error %lu)" : "  %s %s: refused (error %lu)", kind, path, e);
    }
    return ok;
}

BOOL FileOutcome(const char* path, BOOL ok) {
    return DeletionOutcome("file", path, ok, "deleted", "would be left until the restart");
}

BOOL FolderOutcome(const char* path, BOOL ok) {
    return DeletionOutcome("folder", path, ok, "removed", "would be left");
}

BOOL CopyOutcome(const char* source, const char* destination, BOOL ok) {
    KeepLastError keep;
    const DWORD e = keep.Error();
    if (ok) {
        Count(&Tally::written);
        report::Note(Previewing() ? "  would copy %s to %s" : "  copied %s to %s", source, destination);
        return ok;
    }
    if (IsAbsent(e)) {
        report::Note("  not copied, absent: %s", source);
        return ok;
    }
    Count(&Tally::failed);  // the original stays where it is
    if (e == ERROR_TOO_MANY_LINKS)
        report::Note("  not copied, the destination has other links: %s to %s", source, destination);
    else if (e == ERROR_CANT_ACCESS_FILE)
        report::Note("  not copied, the destination is a link or a folder: %s to %s", source, destination);
    else
        report::Note("  not copied (error %lu): %s to %s", e, source, destination);
    return ok;
}

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
    if (!probe && IsInUse(::GetLastError())) return FALSE;
    Current()->Forget(PathItem(path));
    return TRUE;
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

BOOL RemoveFile(const char* path) {
    if (Previewing()) return FileOutcome(path, PreviewDeletion(path));
    // The one attempt: a file in use fails here, with ERROR_SHARING_VIOLATION.
    const BOOL deleted = RemoveNow(path, false, true);
    return FileOutcome(path, deleted);
}

BOOL RemoveFileIfPresent(const char* path) {
    if (Previewing()) return Attributes(path) != INVALID_FILE_ATTRIBUTES ? FileOutcome(path, PreviewDeletion(path)) : FALSE;
    // Nothing is said of a file that is not there.
    if (::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return FALSE;
    return RemoveFile(path);
}

BOOL RemoveFolder(const char* path, bool resetAttributes) {
    if (Previewing()) {
        const DWORD attrs = Attributes(path);
        if (attrs == INVALID_FILE_ATTRIBUTES) return FolderOutcome(path, FALSE);
        if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) return FolderOutcome(path, Fail(ERROR_DIRECTORY));
        // Empty once everything listed in it would be gone.
        bool empty = true;
        char pattern[520];
        WIN32_FIND_DATAA fd;
        if (pathtext::BuildPath(pattern, sizeof pattern, path, pathtext::EndsWithBackslash(path) ? "*.*" : "\\*.*")) {
            FindHandle find(::FindFirstFileA(pattern, &fd));
            if (find) {
                do {
                    if (!pathtext::IsDotEntry(fd.cFileName) && !IsGoneEntry(path, fd.cFileName)) empty = false;
                } while (empty && ::FindNextFileA(find.Get(), &fd));
            }
        }
        if (!empty) return FolderOutcome(path, Fail(ERROR_DIR_NOT_EMPTY));
        Current()->Forget(PathItem(path));
        return FolderOutcome(path, TRUE);
    }
    return FolderOutcome(path, RemoveNow(path, true, resetAttributes));
}

BOOL MakeFolder(const char* path) {
    if (Attributes(path) != INVALID_FILE_ATTRIBUTES) return Fail(ERROR_ALREADY_EXISTS);
    BOOL made = TRUE;
    if (Previewing())
        Current()->Make(PathItem(path));
    else
        made = ::CreateDirectoryA(path, nullptr);
    if (made) Count(&Tally::written);
    return made;
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
    return CopyOutcome(source, destination, CopyToOwnFile(source, destination));
}

}  // namespace change
