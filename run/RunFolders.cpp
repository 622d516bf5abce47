#include "RunFolders.h"

#include <windows.h>

#include "../cleanup/files/FolderWalk.h"
#include "../sys/OwnProgram.h"

namespace {

const char* WhyNotForOwnFiles(const std::string& folder, bool inCleared) {
    if (folder.empty()) return "no folder";
    // Never through a link: the folder must be what its name says.
    if (folderwalk::IsReparseFolder(folder.c_str())) return "its folder is a link";
    // Never inside the folder the run clears, or the file would go with it.
    if (inCleared) return "it lies in the folder this run clears";
    return "";
}

}  // namespace

const char* RunFolders::NotForOwnFiles(const std::string& folder) const {
    return WhyNotForOwnFiles(folder, !folder.empty() && install.Clears(folder.c_str()));
}

RunFolders DecideRunFolders(const InstallFolderRecord& install) {
    RunFolders run;
    run.decided = true;
    run.install = install;
    char path[MAX_PATH * 2];
    if (ToolFolder(path, sizeof path)) {
        // The tool's folder is compared with the install folder once, for both uses.
        const bool inInstall = install.Holds(path);
        if (!inInstall) run.rulesBesideTool = path;
        if (!*WhyNotForOwnFiles(path, inInstall && !install.refused)) run.ownFiles.push_back(path);
    }
    const DWORD n = ::GetTempPathA(sizeof path, path);
    if (n > 0 && n < sizeof path && !*run.NotForOwnFiles(path)) run.ownFiles.push_back(path);
    return run;
}
