#include "UserRules.h"

#include <windows.h>
#include <shlobj.h>

#include "../../sys/OwnProgram.h"
#include "../../sys/ShellCalls.h"
#include "../report/RunReport.h"
#include "FolderCopy.h"
#include "FolderWalk.h"
#include "KeptPaths.h"
#include "../paths/PathText.h"

using pathtext::BuildPath;

const char kRulesFolderName[] = "TolmUnload Rules";

namespace {

struct RuleItem {
    const char* relative;  // below the install directory and below the copies' folder
    bool tree;
};
const RuleItem kRuleItems[] = {{"QAF\\AntiRule_Private.xml", false}, {"QMF", true}, {"Rules", true}};

// Where copies go: base, made below anchor (an existing folder of the user's)
// without passing a link.
struct CopyPlace {
    char anchor[520] = {};
    char base[520] = {};
    bool Usable() const { return base[0] != '\0'; }
};

// The item exists as something the removal would delete (a link is never
// entered by the removal, so nothing behind it is lost).
bool Exists(const RuleItem& item, const char* source) {
    const DWORD attrs = ::GetFileAttributesA(source);
    if (attrs == INVALID_FILE_ATTRIBUTES) return false;
    return item.tree ? (attrs & FILE_ATTRIBUTE_DIRECTORY) && !folderwalk::IsReparseFolder(source)
                     : !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

// True when all of item was copied to place.
bool CopyItem(const RuleItem& item, const char* source, const CopyPlace& place) {
    char destination[520], folder[520];
    if (!BuildPath(destination, sizeof destination, place.base, "\\", item.relative)) return false;
    // The way down stays held until the copy is written (HeldFiles.h).
    change::HeldWay way;
    if (!change::MakeOwnFolder(place.anchor, place.base, &way)) {
        report::Note("  not copied, a link or a file stands in the way: %s to %s", source, place.base);
        return false;
    }
    if (item.tree) return CopyFolderTreeCounted(source, destination, "") == 0;
    if (!BuildPath(folder, sizeof folder, destination)) return false;
    if (const char* last = pathtext::LastBackslash(folder)) folder[last - folder] = '\0';
    if (!change::MakeOwnFolder(place.base, folder, &way)) {
        report::Note("  not copied, a link or a file stands in the way: %s to %s", source, destination);
        return false;
    }
    return change::CopyToFile(source, destination) != FALSE;
}

// kRulesFolderName in a documents folder (CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS)
// as the place for copies; unusable when it cannot be had or lies in the
// folder being cleaned.
CopyPlace DocumentsPlace(int csidl, const InstallFolderRecord& install) {
    CopyPlace place;
    char documents[MAX_PATH] = {};
    if (!GetSpecialFolderPath(nullptr, documents, csidl, FALSE) || !documents[0] || install.Holds(documents))
        return place;
    if (!BuildPath(place.anchor, sizeof place.anchor, documents) ||
        !BuildPath(place.base, sizeof place.base, documents, "\\", kRulesFolderName))
        place.base[0] = '\0';
    return place;
}

}  // namespace

int PreserveUserRules(const char* installDirectory, KeptPaths* uncopied, RulesPlace place) {
    char dir[520];
    if (!installDirectory || !BuildPath(dir, sizeof dir, installDirectory)) return 1;
    const InstallFolderRecord install = IdentifyFolder(dir);
    char tool[520];
    const bool besideTool = place != RulesPlace::kAllUsers && ToolFolder(tool, sizeof tool) && !install.Holds(tool);
    return PreserveUserRules(install, besideTool ? tool : nullptr, uncopied, place);
}

int PreserveUserRules(const InstallFolderRecord& install, const char* besideTool, KeptPaths* uncopied,
                      RulesPlace place) {
    const char* installDirectory = install.path;
    if (!installDirectory) return 1;
    const char* sep = pathtext::EndsWithBackslash(installDirectory) ? "" : "\\";

    // Beside the tool, unless the tool was started from the install folder or
    // from below it: the copies would go where the removal clears next (or onto
    // themselves), so they go to the user's documents from the start. A run no
    // one sits at is started from a folder its deployment empties afterwards,
    // often as an account no one logs on with: all users' documents alone.
    const bool allUsers = place == RulesPlace::kAllUsers;
    CopyPlace beside, documents = DocumentsPlace(allUsers ? CSIDL_COMMON_DOCUMENTS : CSIDL_PERSONAL, install);
    if (!allUsers && besideTool) {
        BuildPath(beside.anchor, sizeof beside.anchor, besideTool);
        BuildPath(beside.base, sizeof beside.base, besideTool);
    }
    const CopyPlace* places[2] = {beside.Usable() ? &beside : &documents, beside.Usable() ? &documents : nullptr};
    if (allUsers) {
        if (documents.Usable()) report::Note("  the rules are copied for all users to %s", documents.base);
        else report::Note("  the all-users documents folder cannot take the rules: they stay where they are");
    }

    int all = 1;
    for (const RuleItem& item : kRuleItems) {
        char source[520];
        if (!BuildPath(source, sizeof source, installDirectory, sep, item.relative)) continue;
        if (!Exists(item, source)) {
            // The rule file's folder is made all the same, where the copies go.
            if (!item.tree && places[0]->Usable()) {
                char folder[520];
                if (BuildPath(folder, sizeof folder, places[0]->base, "\\QAF")) change::MakeOwnFolder(places[0]->anchor, folder);
            }
            continue;
        }
        bool copied = false;
        for (const CopyPlace* place : places) {
            if (copied || !place || !place->Usable()) continue;
            if (place != places[0]) report::Note("  copying %s to %s instead", source, place->base);
            copied = CopyItem(item, source, *place);
        }
        if (!copied) {
            all = 0;
            report::Note("  %s: no copy could be made; it stays where it is", source);
            if (uncopied) uncopied->Add(source);
        }
    }
    return all;
}
