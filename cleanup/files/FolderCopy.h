// Building folder paths and copying folder trees; failures are skipped silently.
#pragma once

// Creates every folder level of the folder part of filePath (up to its last
// backslash), from the root outwards; the drive root is not created. Returns 1.
int CreateFolderPath(const char* filePath);

// Copies every file below sourceFolder to the same relative place below
// destinationRoot (inside relativeFolder; the first call passes ""), creating
// folders only on the way to a file and overwriting existing files. Reparse
// points are not followed. Returns 0 in every case.
int CopyFolderTree(const char* sourceFolder, const char* destinationRoot, const char* relativeFolder);
