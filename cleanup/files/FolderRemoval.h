// The deleting folder walks. They work silently: what cannot be deleted stays,
// and the walk goes on. Reparse points (junctions, links, mount points) are
// never entered, removed or changed. A child path that would not fit its
// buffer is skipped, never cut short.
#pragma once

class KeptPaths;

// Deletes every file and subfolder below folder, at every depth (subfolder
// attributes reset before removal); folder itself stays. Returns 1.
int DeleteFolderTree(const char* folder);

// Deletes folder\fileName when the bare name is a loose product file (ends in
// ".pth"; "QA" + at least 2 more + ".DAT", case exact; or in UpdateFileNames).
// Returns 1.
int DeleteIfExtraProductFile(const char* fileName, const char* folder);

// Deletes, at every depth below folder, the files of ProductFileNames and the
// loose product files; removes no folder. Entries that keep covers are left
// with all below them. Returns 1, also when given no path or one longer than
// 260 characters (nothing is done then).
int DeleteProductFilesInTree(const char* folder, const KeptPaths* keep = nullptr);

// namedOnly 0: deletes every file and subfolder below folder (no attribute
// reset on folders). namedOnly non-zero: deletes no file, removes only the
// ProductFolderNames subfolders left empty once their named subfolders are gone.
// Entries that keep covers are left with all below them. Returns 0 when given
// no path or one longer than 260 characters, otherwise 1.
int RemoveFolderContents(const char* folder, int namedOnly, const KeptPaths* keep = nullptr);
