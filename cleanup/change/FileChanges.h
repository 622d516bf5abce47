// Changes to files and folders, each carried out as ChangeOutcome.h says. Results
// are those of the Windows calls they stand for, the last error theirs.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace change {

class HeldWay;

// GetFileAttributesA as the run sees the machine: in a preview, what would be
// gone has none (ERROR_FILE_NOT_FOUND) and a folder that would be made is one.
DWORD Attributes(const char* path);
// True when, in a preview, the entry name of folder would be gone by now.
bool IsGoneEntry(const char* folder, const char* name);

// Calls f with the session's name (PathItem) of each entry of folder that the
// run still sees (not "." or "..", in a preview not gone) until f returns
// false. False when nothing could be listed.
bool ForEachSeenEntry(const char* folder, const std::function<bool(const std::string& item)>& f);

// Deletes the file, read-only, hidden and system cleared first; on NT through
// a handle checked to open the file itself, not a link (HeldFiles.h). In a preview:
// FALSE with ERROR_FILE_NOT_FOUND for a file that is not there, with
// ERROR_SHARING_VIOLATION for one in use now.
BOOL RemoveFile(const char* path);
// The same for a file that may not exist: nothing is reported for an absent one.
BOOL RemoveFileIfPresent(const char* path);
// Removes folder when it is empty; resetAttributes sets FILE_ATTRIBUTE_NORMAL
// on it first. In a preview it is empty once all in it would be gone.
BOOL RemoveFolder(const char* path, bool resetAttributes);

// CreateDirectoryA: one folder, default security. In a preview one that is not
// there would be made (the rest of the run sees it).
BOOL MakeFolder(const char* path);
// Makes folder's levels below base, each only after the one above it proved a
// folder that is no reparse point, so that nothing is ever created behind a
// link. True when every level of folder below base is such a folder; base and
// folder as spelt by the caller, base a prefix of folder (base itself is not
// looked at). With way, a real run on NT also holds each level open in it
// (HeldFiles.h), for the caller to create in while nothing can be swapped.
bool MakeOwnFolder(const char* base, const char* folder, HeldWay* way = nullptr);

// Copies source to destination, replacing an earlier copy there, with the
// source's times. FALSE with the last error ERROR_TOO_MANY_LINKS when the
// destination is a file with more than one link, ERROR_CANT_ACCESS_FILE when it
// is a reparse point or a folder (nothing is written then); otherwise FALSE
// with the system's error when the source cannot be read or the copy written.
BOOL CopyToFile(const char* source, const char* destination);

}  // namespace change
