// The registry backup of a real run: a REGEDIT4 file that regedit (a double
// click, or "regedit /s") imports to put back what the run deleted or rewrote.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "../../framework/Handles.h"
#include "../change/ChangeSession.h"
#include "../change/ItemSet.h"
#include "RegExport.h"

class RegistryBackupFile : public change::RegistryBackup {
public:
    // folders: where the file may go, in order; each has been chosen as the
    // report's are (never in the folder the run clears, never a link).
    // placed, when given, is called once with the report line naming the file.
    explicit RegistryBackupFile(std::vector<std::string> folders,
                                std::function<void(const std::string&)> placed = nullptr);
    // Each appends what is about to change, as it is now. The file is made at
    // the first save, under a name no earlier run has used, and says so in the
    // report; one that cannot be made or written is reported once, and the run
    // goes on without it. What regedit would not read back as it is, or is too
    // large (SavableKeys.h), is not written at all: false then.
    bool SaveTree(HKEY root, const char* path, change::SaveObstacle* obstacle = nullptr) override;
    bool SaveValue(HKEY root, const char* path, const char* name, change::SaveObstacle* obstacle = nullptr) override;
    bool SaveValueOrAbsence(HKEY root, const char* path, const char* name,
                            change::SaveObstacle* obstacle = nullptr) override;
    // The file written to; "" before the first save or when none could be made.
    const std::string& Path() const { return m_path; }

private:
    void Append(const std::string& text);
    bool Open();
    // Empty sections for the keys above path that the file has not named yet,
    // from the root down, so that an import creates one missing level at a
    // time (Wine's 32-bit regedit misplaces a key two missing levels below a
    // Wow6432Node name). Every one of them existed when path was saved.
    std::string Ancestors(HKEY root, const char* path);
    void Named(const std::string& key);

    std::vector<std::string> m_folders;
    std::function<void(const std::string&)> m_placed;
    FileHandle m_file;
    std::string m_path;
    bool m_tried = false;
    bool m_failed = false;
    ItemSet m_named;  // the keys the file has a section for, in upper case
    regexport::KeySpelling m_spelling;
};
