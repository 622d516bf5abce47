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
        ::CreateDirectoryA(path, nullptr);  // a level that already exists is fine
        path[i + 1] = saved;
    }
    return 1;
}

int CopyFolderTree(const char* sourceFolder, const char* destinationRoot, const char* relativeFolder) {
    if (!sourceFolder || !destinationRoot || IsReparseFolder(sourceFolder)) return 0;
    if (!relativeFolder) relativeFolder = "";
    const char* srcSep = EndsWithBackslash(sourceFolder) ? "" : "\\";
    const char* dstSep = EndsWithBackslash(destinationRoot) ? "" : "\\";
    char pattern[520];
    if (!BuildPath(pattern, sizeof pattern, sourceFolder, srcSep, "*.*")) return 0;
    ForEachEntry(pattern, [&](const WIN32_FIND_DATAA& fd) {
        char source[520];
        if (SkipsLink(sourceFolder, fd) || !BuildPath(source, sizeof source, sourceFolder, srcSep, fd.cFileName)) return;
        if (IsFolder(fd)) {
            char relative[520];
            bool fits = *relativeFolder ? BuildPath(relative, sizeof relative, relativeFolder, "\\", fd.cFileName)
                                        : BuildPath(relative, sizeof relative, fd.cFileName);
            if (fits) CopyFolderTree(source, destinationRoot, relative);
            return;
        }
        char destination[520];
        bool fits = *relativeFolder
                        ? BuildPath(destination, sizeof destination, destinationRoot, dstSep, relativeFolder, "\\",
                                    fd.cFileName)
                        : BuildPath(destination, sizeof destination, destinationRoot, dstSep, fd.cFileName);
        if (!fits) return;
        CreateFolderPath(destination);
        report::Copied(source, destination, ::CopyFileA(source, destination, FALSE));  // failures skipped: the copy goes on
    });
    return 0;
}
