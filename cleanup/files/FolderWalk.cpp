#include "FolderWalk.h"

#include <cstring>
#include "../report/RunReport.h"

namespace folderwalk {

bool IsReparseFolder(const char* folder) {
    if (!folder || !*folder) return false;
    // Asked with a trailing backslash, the system describes the folder behind a link.
    char bare[520];
    if (!pathtext::BuildPath(bare, sizeof bare, folder)) return false;
    // Every trailing backslash goes: a doubled one names the same folder.
    size_t len = std::strlen(bare);
    while (len > 3 && pathtext::EndsWithBackslash(bare)) bare[--len] = '\0';
    DWORD attrs = ::GetFileAttributesA(bare);
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

WalkFolder::WalkFolder(const char* path, const char* parent, const WIN32_FIND_DATAA* entry)
    : m_held(change::HoldsByHandle() ? path : nullptr), m_entered(!change::HoldsByHandle() || m_held.Held()) {
    m_link = !m_entered && ::GetLastError() == ERROR_CANT_ACCESS_FILE;
    if (m_link && parent && entry) report::Note("  link %s\\%s: skipped, not followed", parent, entry->cFileName);
}

bool SkipsLink(const char* folder, const WIN32_FIND_DATAA& fd) {
    if (!IsReparsePoint(fd)) return false;
    report::Note("  link %s\\%s: skipped, not followed", folder, fd.cFileName);
    return true;
}

}  // namespace folderwalk
