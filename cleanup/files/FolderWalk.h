// The listing loop shared by the tree walks, and what every walk does alike.
#pragma once
#include <windows.h>

#include "../../framework/Handles.h"
#include "../change/FileChanges.h"
#include "../change/HeldFiles.h"
#include "../paths/PathText.h"

namespace folderwalk {

// Calls f(entry) for each entry that the listing of pattern (a folder, a
// backslash and a wildcard) returns, in the system's order, except "." and
// ".." and, in a preview, what the run would have removed by then. False when
// nothing could be listed.
template <typename F>
bool ForEachEntry(const char* pattern, F&& f) {
    WIN32_FIND_DATAA fd;
    FindHandle find(::FindFirstFileA(pattern, &fd));
    if (!find) return false;
    char folder[520] = {};
    if (const char* last = pathtext::LastBackslash(pattern))
        if (static_cast<size_t>(last - pattern) < sizeof folder) std::memcpy(folder, pattern, last - pattern);
    do {
        if (!pathtext::IsDotEntry(fd.cFileName) && !change::IsGoneEntry(folder, fd.cFileName)) f(fd);
    } while (::FindNextFileA(find.Get(), &fd));
    return true;
}

inline bool IsFolder(const WIN32_FIND_DATAA& fd) { return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// Junctions, symbolic links and mount points: never entered, removed or changed,
// so that nothing behind them is touched.
inline bool IsReparsePoint(const WIN32_FIND_DATAA& fd) {
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// IsReparsePoint, and a report line saying the entry of folder was skipped.
bool SkipsLink(const char* folder, const WIN32_FIND_DATAA& fd);

// True when folder (with or without trailing backslashes, however many) is itself a reparse point.
bool IsReparseFolder(const char* folder);

// A folder a walk works inside. On NT it is opened as itself and checked on its
// handle (HeldFiles.h), and held open without delete sharing while this lives,
// so that nothing can rename it or put a link in its place meanwhile. The
// Windows 95 family has no links: nothing is held there.
class WalkFolder {
public:
    // The folder at path; entry, when given, is its listing entry in parent: a
    // folder that became a link since it was listed is reported as a link entry is.
    explicit WalkFolder(const char* path, const char* parent = nullptr, const WIN32_FIND_DATAA* entry = nullptr);
    // True when the walk may work inside it.
    bool Entered() const { return m_entered; }
    // True when it proved a link (or no folder) once opened: nothing is done with it.
    bool IsLink() const { return m_link; }

private:
    change::HeldFolder m_held;
    bool m_entered;
    bool m_link = false;
};

// Called by every walk with each listed entry before the walk acts on it: the
// point where what was listed may have changed. Does nothing (tests put their
// own in its place, at link time).
void AtListedEntry(const char* folder, const char* name);


}  // namespace folderwalk
