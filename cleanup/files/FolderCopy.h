// Building folder paths and copying folder trees; failures are skipped silently.
#pragma once

// Creates every folder level of the folder part of filePath (up to its last
// backslash), from the root outwards; the drive root is not created. Returns 1.
int CreateFolderPath(const char* filePath);

// Copies every file below sourceFolder to the same relative place below
// destinationRoot (inside relativeFolder; the first call passes ""), creating
// folders only on the way to a file and overwriting earlier copies. Reparse
// points in the source are not followed; nothing is written behind a link or
// over a file with other links in the destination (OwnFileCopy.h). Returns 0 in
// every case.
int CopyFolderTree(const char* sourceFolder, const char* destinationRoot, const char* relativeFolder);
// The same copy; the number of files that could not be copied (0: all were).
int CopyFolderTreeCounted(const char* sourceFolder, const char* destinationRoot, const char* relativeFolder);
