#include "UserRules.h"

#include <windows.h>
#include <shlobj.h>

#include <initializer_list>

#include "FolderCopy.h"
#include "FolderWalk.h"
#include "PathText.h"
#include "../../sys/ShellCalls.h"
#include "../report/RunReport.h"

using pathtext::BuildPath;

const char kRulesFolderName[] = "TolmUnload Rules";

int PreserveUserRules(const char* installDirectory) {
    if (!installDirectory) return 1;
    const char* sep = pathtext::EndsWithBackslash(installDirectory) ? "" : "\\";
    static const char kRuleFile[] = "QAF\\AntiRule_Private.xml";

    char tool[520];
    DWORD n = ::GetModuleFileNameA(nullptr, tool, sizeof tool);
    if (n == 0 || n >= sizeof tool) return 1;  // a cut path names no folder
    const char* last = pathtext::LastBackslash(tool);
    if (!last) return 1;
    tool[last - tool] = '\0';
    // A tool started from the install folder or from below it would put the
    // copies where the removal clears next (or copy the files onto themselves):
    // they go to the user's documents instead, never below the install folder.
    if (folderwalk::IsSameOrBelow(tool, installDirectory)) {
        char documents[MAX_PATH] = {};
        if (!GetSpecialFolderPath(nullptr, documents, CSIDL_PERSONAL, FALSE) ||
            !BuildPath(tool, sizeof tool, documents, "\\", kRulesFolderName) ||
            folderwalk::IsSameOrBelow(tool, installDirectory))
            return 1;
    }

    char source[520], destination[520];
    if (BuildPath(source, sizeof source, installDirectory, sep, kRuleFile) &&
        BuildPath(destination, sizeof destination, tool, "\\", kRuleFile)) {
        CreateFolderPath(destination);
        report::Copied(source, destination, ::CopyFileA(source, destination, FALSE));  // a missing rule file copies nothing
    }
    for (const char* folder : {"QMF", "Rules"}) {
        if (BuildPath(source, sizeof source, installDirectory, sep, folder) &&
            BuildPath(destination, sizeof destination, tool, "\\", folder))
            CopyFolderTree(source, destination, "");
    }
    return 1;
}
