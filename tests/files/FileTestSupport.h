// Trees on the real file system for the file-removal tests: making them,
// looking at them, holding files open, links made from the host side.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"

namespace filetest {

// Creates the file (and its folders below an existing root) with some content.
bool MakeFile(const std::string& path, const std::string& content = "x");
// Creates the folder and its parents.
bool MakeFolders(const std::string& path);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
DWORD Attributes(const std::string& path);
// The file's content, or "<missing>" when it cannot be read.
std::string ReadAll(const std::string& path);
// Every path below root, relative to it, folders ending in "\", sorted.
std::vector<std::string> ListTree(const std::string& root);

// The code page the test runs under: 932 with LANG=ja_JP, 936 with zh_CN.
UINT AnsiCodePage();

// A helper process that holds path open with share mode 0 until it goes.
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    bool Held() const { return m_held; }
    void Release() { m_process.Kill(); }

private:
    tolmtest::ChildProcess m_process;
    bool m_held = false;
};

// A symbolic link at linkPath to the folder (or file) target, made with the host's ln
// (Wine's CreateSymbolicLinkA does nothing). Removed from the host side when it
// goes. Ok() is false when the link could not be made.
class FolderLink {
public:
    FolderLink(const std::string& linkPath, const std::string& target);
    ~FolderLink();
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;
    bool Ok() const { return m_ok; }
    // Removes the link itself now (nothing behind it).
    void Remove();

private:
    std::string m_link;
    bool m_ok = false;
};

// Deletes a tree anywhere in the prefix's C: drive but outside the system's own
// folders (for shortcut, menu and QRECYCLE fixtures). Links are not followed.
void RemoveTree(const std::string& path);

// Runs a copy of helper exe "name" under a new name, with Wine reporting the
// given Windows version to it (AppDefaults), and waits for it; its exit code, or
// 0xFFFFFFFF when it could not be run.
DWORD RunAsVersion(const std::string& helper, const std::string& version, const std::string& args);

}  // namespace filetest
