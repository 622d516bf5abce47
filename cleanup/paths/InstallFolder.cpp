#include "InstallFolder.h"

#include "FolderIdentity.h"

bool InstallFolderRecord::Holds(const char* folder) const {
    char inner[520];
    return folder && !comparable.empty() && folderid::ComparableFolder(folder, inner, sizeof inner) &&
           folderid::IsSameOrBelowComparable(inner, comparable.c_str());
}

InstallFolderRecord IdentifyFolder(char* path) {
    InstallFolderRecord record;
    record.path = path;
    char form[520];
    if (path && *path && folderid::ComparableFolder(path, form, sizeof form, &record.opened)) record.comparable = form;
    return record;
}
