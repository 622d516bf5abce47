// The run's install folder, judged once when the run finds it: every step that
// asks about the folder reads this record instead of judging it again.
#pragma once
#include <string>

struct InstallFolderRecord {
    // The folder as the run holds it: its one buffer, which the folder removal
    // may end with a backslash for the steps after it. Null: no folder.
    char* path = nullptr;
    // Its comparable form (folderid::ComparableFolder); "" when it cannot be had.
    std::string comparable;
    // True when the form came from the folder opened (not from its spelling).
    bool opened = false;
    // Why the removal leaves the folder alone; null when it may be cleaned.
    const char* refused = nullptr;

    bool Cleanable() const { return path && *path && !refused; }
    // True when folder is the install folder or lies below it, compared in
    // comparable forms; false when either cannot be had.
    bool Holds(const char* folder) const;
    // True when folder lies in what the run clears: Holds, for a folder not refused.
    bool Clears(const char* folder) const { return !refused && Holds(folder); }
};

// The record of path before it is judged: its comparable form alone, nothing
// refused. path may be null.
InstallFolderRecord IdentifyFolder(char* path);
