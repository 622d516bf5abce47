// Folders the removal must never clean, whatever the registry says the suite's
// folder is and however the path is spelt.
#pragma once

// True for a folder the removal must never clean:
// - any path that is not a local drive path ("X:\..." or "\\?\X:\..."): relative
//   paths, shares, other device-namespace forms; a folder on a network drive;
// - a folder that cannot be judged: one that exists but whose final path the
//   system cannot give, or, where the system cannot resolve links, one with a
//   junction, symbolic link or mount point anywhere in its path;
// - a drive root, the Windows or system folder, "Program Files", a program or
//   user-data folder the system names;
// - for every account's profile on the machine: the profile, each folder directly
//   inside it, and the folders the system names inside the running user's
//   profile taken to every other profile; also any folder directly in the folder
//   that holds the profiles;
// - any folder that holds one of these below it.
// Each is compared in the form the folder opens (FolderIdentity.h).
bool IsProtectedFolder(const char* installDirectory);
// The same for a folder whose comparable form was had already (null: it could
// not be had); opened as ComparableFolder gave it.
bool IsProtectedFolder(const char* installDirectory, const char* comparable, bool opened);
