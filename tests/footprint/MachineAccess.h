// The calls the seeding and the probe make on the machine: registry values
// with their types, files and folder trees, services and processes.
#pragma once
#include <windows.h>

#include <string>

#include "ProcTestSupport.h"
#include "RegTestSupport.h"
#include "TestSupport.h"

namespace footprint {

// A value's data as the registry holds it and as the footprint writes it:
// strings without their terminating NUL (a multi-string without its last two).
bool SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& data);
bool ReadValue(HKEY root, const std::string& key, const std::string& name, DWORD* type, std::string* data);
void DeleteValue(HKEY root, const std::string& key, const std::string& name);
using regtest::CreateKey;
using regtest::KeyExists;

// The folder part of path, up to its last backslash, read character by
// character in the ANSI code page: a double-byte character may end in the
// backslash's byte. "" when there is none.
std::string FolderOf(const std::string& path);
// True when path ends with a backslash (no name after it).
bool EndsWithBackslash(const std::string& path);
inline bool Exists(const std::string& path) { return tolmtest::FileExists(path); }
// Creates the file and the folders above it.
bool MakeFile(const std::string& path, const std::string& content);
bool MakeFolder(const std::string& path);
// Deletes a folder and everything below it, links left alone; refuses a root
// or a path ending in a backslash (a name that was missing).
void DeleteFolderTree(const std::string& path);

using proctest::ServiceExists;

// Starts a copy of the do-nothing program (proc_sleeper) as dir\name; the
// process handle, or null.
HANDLE StartNamedProgram(const std::string& dir, const std::string& name, std::string* why);
void EndProcessesNamed(const char* name);

}  // namespace footprint
