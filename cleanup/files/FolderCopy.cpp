#include "FolderCopy.h"

#include <cstring>

#include "../report/RunReport.h"
#include "FolderWalk.h"

using folderwalk::ForEachEntry;
using folderwalk::IsFolder;
using folderwalk::IsReparseFolder;
using folderwalk::SkipsLink;
using pathtext::BuildPath;
using pathtext::EndsWithBackslash;

int CreateFolderPath(const char* filePath) {
    if (!filePath) return 1;
    const char* last = pathtext::LastBackslash(filePath);
    if (!last) return 1;
    char path[512];
    size_t keep = static_cast<size_t>(last - filePath) + 1;
    if (keep >= sizeof path) return 1;
    std::memcpy(path, filePath, keep);
    path[keep] = '\0';
    // Past the drive root, each backslash ends one level to create.
    for (size_t i = 0; i < keep; ++i) {
        if (pathtext::IsLead(path + i)) {
            ++i;
            continue;
        }
        if (path[i] != '\\' || i < 3) continue;
        char saved = path[i + 1];
        path[i + 1] = '\0';
        change::MakeFolder(path);  // a level that already exists is fine
        path[i + 1] = saved;
    }
    return 1;
}

int CopyFolderTree(const char* sourceFolder, const char* destinationRoot, const char* relativeFolder) {
    CopyFolderTreeCounted(sourceFolder, destinationRoot, relativeFolder);
    return 0;
}

int CopyFolderTreeCounted(const char* sourceFolder, const char* destinationRoot, const char* relativeFolder) {
    if (!sourceFolder || !destinationRoot || IsReparseFolder(sourceFolder)) return 0;
    // The source folder is held while it is read (FolderWalk.h); one that is
    // there but cannot be held counts as not copied, so that the removal leaves it.
    folderwalk::WalkFolder held(sourceFolder);
    if (!held.Entered()) {
        const DWORD e = ::GetLastError();
        return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? 0 : 1;
    }
    if (!relativeFolder) relativeFolder = "";
    const char* srcSep = EndsWithBackslash(sourceFolder) ? "" : "\\";
    const char* dstSep = EndsWithBackslash(destinationRoot) ? "" : "\\";
    // The destination root's own level is made and looked at like those below it.
    char base[520];
    if (!BuildPath(base, sizeof base, destinationRoot)) return 1;
    size_t len = std::strlen(base);
    while (len > 3 && EndsWithBackslash(base)) base[--len] = '\0';
    if (const char* last = pathtext::LastBackslash(base)) base[last - base] = '\0';
    char pattern[520];
    if (!BuildPath(pattern, sizeof pattern, sourceFolder, srcSep, "*.*")) return 0;
    int failures = 0;
    ForEachEntry(pattern, [&](const WIN32_FIND_DATAA& fd) {
        char source[520];
        folderwalk::AtListedEntry(sourceFolder, fd.cFileName);
        if (SkipsLink(sourceFolder, fd) || !BuildPath(source, sizeof source, sourceFolder, srcSep, fd.cFileName)) return;
        if (IsFolder(fd)) {
            char relative[520];
            bool fits = *relativeFolder ? BuildPath(relative, sizeof relative, relativeFolder, "\\", fd.cFileName)
                                        : BuildPath(relative, sizeof relative, fd.cFileName);
            failures += fits ? CopyFolderTreeCounted(source, destinationRoot, relative) : 1;
            return;
        }
        char folder[520], destination[520];
        bool fits = *relativeFolder ? BuildPath(folder, sizeof folder, destinationRoot, dstSep, relativeFolder)
                                    : BuildPath(folder, sizeof folder, destinationRoot);
        if (!fits || !BuildPath(destination, sizeof destination, folder, EndsWithBackslash(folder) ? "" : "\\",
                                fd.cFileName)) {
            ++failures;
            return;
        }
        // Failures are counted and skipped: the copy goes on. The destination's
        // folders stay held until the copy is written.
        change::HeldWay way;
        if (!change::MakeOwnFolder(base, folder, &way)) {
            report::Note("  not copied, a link or a file stands in the way: %s to %s", source, destination);
            ++failures;
        } else if (!change::CopyToFile(source, destination)) {
            ++failures;
        }
    });
    return failures;
}
