// Which folder a path names: the folder it opens, not its spelling. Folders are
// compared in this form, so that a link, a drive alias, a short name or another
// letter case cannot make one folder look like another.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace folderid {

// True for the path forms the removal accepts: "X:\..." and "\\?\X:\...". Share
// paths and every other device-namespace form ("\\?\Volume{...}", "\\?\UNC\...",
// "\\?\GLOBALROOT\...", "\\.\...") are not: a suite with services and drivers
// does not run from them, and their folders cannot be judged reliably.
bool IsLocalDrivePath(const char* path);

// The form folders are compared in, without trailing backslashes ("\\?\"
// taken off): where the system can say which file an open handle names (Vista
// on), the final path of the folder the path opens; elsewhere, or for a folder
// that cannot be opened, the full long form with SUBST drives replaced by their
// targets. False when it cannot be had. opened, when given, tells whether the
// final path of an opened folder was used.
bool ComparableFolder(const char* path, char* out, DWORD size, bool* opened = nullptr);

// Every comparable form of a folder the removal protects: as this process opens
// it, as it is without WoW64's redirection of the system folder (a path that
// reaches System32 through a link is not redirected), and as spelt. Empty when
// none can be had.
std::vector<std::string> ComparableForms(const char* path);

// True when inner is outer or lies below it; both in their comparable forms,
// compared without regard to case.
bool IsSameOrBelowComparable(const char* inner, const char* outer);

// True when folder is container itself or lies below it, compared in their
// comparable forms; false when either cannot be had.
bool IsSameOrBelow(const char* folder, const char* container);

// True when some existing level of path (a local drive path) is a junction,
// symbolic link or mount point.
bool HasLinkInPath(const char* path);

// True when the system can say which folder a handle names (GetFinalPathNameByHandleA,
// Vista on), and so resolve links itself.
bool CanResolveLinks();

}  // namespace folderid
