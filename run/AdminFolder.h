// The administrators' folder: on the NT family, <all users' application data>\TolmUnload,
// a folder that only administrators and the system can change. What runs with
// administrator rights after the run (the copies RunOnce starts), what the tool
// relaunches itself from, and the registry backup live there. The Windows 95
// family has none (it has no accounts).
#pragma once
#include <windows.h>

#include <string>

namespace adminfolder {

// The decision, made once per process (on first use): the folder's path
// without a trailing backslash, or "" when there is none. A folder that is
// missing is made (in a preview it is only said that it would be), with a
// protected access list: administrators and SYSTEM full control, everyone
// else read and execute, nothing inherited. An existing one is taken only when
// IsAdministratorsOnly says so. why receives the reason when there is none.
const std::string& Path(std::string* why = nullptr);

// True when folder exists, is no reparse point, and its owner and access list
// give the right to change it or what it holds to no one but administrators
// and the system. why receives the reason when not.
bool IsAdministratorsOnly(const char* folder, std::string* why = nullptr);

// The judgement on a self-relative security descriptor holding at least the
// owner and the access list: true when the owner is an administrators' one and
// no allowing entry (also one only inherited by what is made inside) grants a
// change right to anyone else. userSid, when given, counts as an
// administrators' one (see UserCountsAsAdministrator). Entries for the creator
// owner are not looked at: what administrators make is theirs.
bool OnlyAdministratorsChange(const BYTE* descriptor, DWORD size, const BYTE* userSid);

// The running user's SID, when everything the user runs has administrator
// rights (a member of Administrators on a system without a limited twin token:
// before Vista, or with UAC off); empty otherwise.
std::string UserCountsAsAdministrator();

// Copies source into the folder under its own file name, or keeps a copy there
// that is already byte for byte the same, through the change layer; the copy
// is read back and compared. The copy's path, or "" (why says why) when there
// is no folder or no identical copy could be made. In a preview the copy is
// only said to be made.
std::string PlaceCopy(const char* source, std::string* why = nullptr);

// True when path lies directly in the folder (compared without regard to case).
bool HoldsDirectly(const char* path);

}  // namespace adminfolder
