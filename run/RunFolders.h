// The folders of one run, decided once when the run has found its install
// folder: the folder's record, and where the tool may write files of its own
// (the report, the registry backup, the rule copies). Every step reads this
// decision instead of judging the folders again.
#pragma once
#include <string>
#include <vector>

#include "../cleanup/paths/InstallFolder.h"

struct RunFolders {
    bool decided = false;
    InstallFolderRecord install;
    // The usual folders for the tool's own files that may take them, in order:
    // the tool's folder, the user's temporary folder.
    std::vector<std::string> ownFiles;
    // The tool's folder when the rule copies may go there (it does not lie in
    // the install folder, cleaned or not); "" when they may not.
    std::string rulesBesideTool;

    // Why folder may not take a file of the tool's own, "" when it may: no
    // folder, a link, or a folder in what the run clears.
    const char* NotForOwnFiles(const std::string& folder) const;
};

// The decision for install (JudgeInstallFolder's record; no path: the run has no folder).
RunFolders DecideRunFolders(const InstallFolderRecord& install);
