#include "FolderRemoval.h"

#include <cstring>

#include "../change/BootQueue.h"
#include "../report/RunReport.h"
#include "FolderWalk.h"
#include "KeptPaths.h"
#include "NameTables.h"

using folderwalk::ForEachEntry;
using folderwalk::IsFolder;
using folderwalk::IsReparseFolder;
using folderwalk::SkipsLink;
using folderwalk::WalkFolder;
using pathtext::BuildPath;
using pathtext::EndsWithBackslash;

namespace {

const size_t kMaxInputLength = 260;

// True when keep covers the entry at path; the walk that meets it first says so
// in the report.
bool IsKept(const KeptPaths* keep, const char* path, const WIN32_FIND_DATAA& fd, bool say) {
    if (!keep || !keep->Covers(path)) return false;
    if (say) report::Kept(IsFolder(fd) ? "folder" : "file", path, "no copy of it could be made");
    return true;
}

// folder + "*.*", or folder + "\*.*" when it has no trailing backslash.
bool BuildPattern(char* out, size_t size, const char* folder) {
    return BuildPath(out, size, folder, EndsWithBackslash(folder) ? "*.*" : "\\*.*");
}

// The walks below a folder already judged: each child's link test comes from
// its listing entry, so that no folder is asked about twice.
// Each walk holds the folder it lists (WalkFolder) while it works inside it.
void DeleteFolderTreeBelow(const char* folder) {
    char pattern[512];
    if (!BuildPath(pattern, sizeof pattern, folder, "\\*.*")) return;
    ForEachEntry(pattern, [&](const WIN32_FIND_DATAA& fd) {
        char child[512];
        folderwalk::AtListedEntry(folder, fd.cFileName);
        if (SkipsLink(folder, fd) || !BuildPath(child, sizeof child, folder, "\\", fd.cFileName)) return;
        if (IsFolder(fd)) {
            {
                // One that cannot be held (but is no link) is not entered; its removal says why.
                WalkFolder inside(child, folder, &fd);
                if (inside.IsLink()) return;
                if (inside.Entered()) DeleteFolderTreeBelow(child);
            }
            change::RemoveOrQueue(child, true);
        } else {
            change::DeleteOrQueue(child);
        }
    });
}

void DeleteProductFilesBelow(const char* folder, const KeptPaths* keep) {
    char pattern[260];
    if (!BuildPattern(pattern, sizeof pattern, folder)) return;
    ForEachEntry(pattern, [&](const WIN32_FIND_DATAA& fd) {
        char child[260];
        folderwalk::AtListedEntry(folder, fd.cFileName);
        if (SkipsLink(folder, fd) || !BuildPath(child, sizeof child, folder, "\\", fd.cFileName) ||
            IsKept(keep, child, fd, true))
            return;
        if (IsFolder(fd)) {
            WalkFolder inside(child, folder, &fd);
            if (inside.Entered()) DeleteProductFilesBelow(child, keep);
            return;
        }
        DeleteIfExtraProductFile(fd.cFileName, folder);
        if (FindNameInTable(fd.cFileName, ProductFileNames, ProductFileNameCount) >= 0) change::DeleteOrQueue(child);
    });
}

void RemoveFolderContentsBelow(const char* folder, int namedOnly, const KeptPaths* keep) {
    char pattern[260];
    if (!BuildPattern(pattern, sizeof pattern, folder)) return;
    // A walk by name follows the product file walk, which has said what is kept.
    const bool say = !namedOnly;
    ForEachEntry(pattern, [&](const WIN32_FIND_DATAA& fd) {
        folderwalk::AtListedEntry(folder, fd.cFileName);
        if (SkipsLink(folder, fd)) return;
        if (IsFolder(fd)) {
            char sub[260];
            if (!BuildPath(sub, sizeof sub, folder, "\\", fd.cFileName) || IsKept(keep, sub, fd, say)) return;
            if (namedOnly && FindNameInTable(fd.cFileName, ProductFolderNames, ProductFolderNameCount) < 0)
                return report::Kept("folder", sub, "not a product folder");
            {
                WalkFolder inside(sub, folder, &fd);
                if (inside.IsLink()) return;
                if (inside.Entered()) RemoveFolderContentsBelow(sub, namedOnly, keep);
            }
            change::RemoveOrQueue(sub, false);
        } else if (!namedOnly) {
            char path[520];
            if (BuildPath(path, sizeof path, folder, "\\", fd.cFileName) && !IsKept(keep, path, fd, say))
                change::DeleteOrQueue(path);
        } else if (FindNameInTable(fd.cFileName, ProductFileNames, ProductFileNameCount) < 0) {
            report::Note("  file %s\\%s: kept, not a product file", folder, fd.cFileName);
        }
    });
}

}  // namespace

int DeleteFolderTree(const char* folder) {
    if (!folder || IsReparseFolder(folder)) return 1;
    WalkFolder top(folder);
    if (top.Entered()) DeleteFolderTreeBelow(folder);
    return 1;
}

int DeleteIfExtraProductFile(const char* fileName, const char* folder) {
    if (!fileName || !folder) return 1;
    size_t len = std::strlen(fileName);
    bool loose = (len >= 4 && std::strcmp(fileName + len - 4, ".pth") == 0) ||
                 (len >= 8 && fileName[0] == 'Q' && fileName[1] == 'A' &&
                  std::strcmp(fileName + len - 4, ".DAT") == 0) ||
                 FindNameInTable(fileName, UpdateFileNames, UpdateFileNameCount) >= 0;
    char path[260];
    if (loose && BuildPath(path, sizeof path, folder, "\\", fileName)) change::DeleteOrQueue(path);
    return 1;
}

int DeleteProductFilesInTree(const char* folder, const KeptPaths* keep) {
    if (!folder || std::strlen(folder) > kMaxInputLength || IsReparseFolder(folder)) return 1;
    WalkFolder top(folder);
    if (top.Entered()) DeleteProductFilesBelow(folder, keep);
    return 1;
}

int RemoveFolderContents(const char* folder, int namedOnly, const KeptPaths* keep) {
    if (!folder || std::strlen(folder) > kMaxInputLength) return 0;
    if (IsReparseFolder(folder)) return 1;
    WalkFolder top(folder);
    if (top.Entered()) RemoveFolderContentsBelow(folder, namedOnly, keep);
    return 1;
}
