// Helpers shared by the tests: processes, windows, text conversion, scratch
// folders. Everything here runs inside a Wine prefix.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace tolmtest {

// An environment variable, or "" when unset.
std::string Env(const char* name);
// The tool under test (Windows path, from the test's environment).
std::string ToolPath();
// The build folder (Windows path): helper programs live under it.
std::string BinDir();
// "win64" or "win32": the prefix the test runs in.
std::string PrefixKind();

// UTF-8 text (as the tests spell the catalogue) in code page cp.
std::string FromUtf8(const char* utf8, UINT cp);
std::wstring WideFromUtf8(const char* utf8);
// text with its ASCII letters in upper case.
std::string Upper(std::string text);

// Polls until pred() is true or timeoutMs has passed; returns the last pred().
// How much longer waits may take here: TOLM_WAIT_SCALE (set where i386 programs
// are emulated), else 1.
DWORD WaitScale();
// Polls pred until it holds or timeoutMs (times the wait scale) has passed.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs, DWORD stepMs = 20);

// A child process, ended (TerminateProcess) if still running when it goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts commandLine as given (the program path is its first token).
    bool Start(const std::string& commandLine, const char* workDir = nullptr);
    // Takes on a process that something else started; false when it cannot be opened.
    bool Attach(DWORD pid);
    // Waits up to timeoutMs; true when it ended. exitCode is set then.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    bool Running() const;
    void Kill();
    DWORD Pid() const { return m_pid; }
    HANDLE Handle() const { return m_process; }

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

// The top-level windows, front to back, that match accepts.
std::vector<HWND> TopLevelWindows(const std::function<bool(HWND)>& match);
// The dialogs (class "#32770": windows and message boxes) of process pid (any
// when 0) and thread tid (any when 0), visible ones only when visibleOnly.
std::vector<HWND> Dialogs(DWORD pid, DWORD tid, bool visibleOnly);

// The first visible-or-not top-level window of process pid with class cls
// ("#32770" for dialogs), waiting up to timeoutMs. Null if none appeared.
HWND WaitForProcessWindow(DWORD pid, const char* cls, DWORD timeoutMs);
// Same, for a window of thread tid (in this process).
HWND WaitForThreadWindow(DWORD tid, const char* cls, DWORD timeoutMs);

// The text of a window, in the ANSI code page.
std::string WindowText(HWND hwnd);
std::string ClassName(HWND hwnd);

// A fresh folder under C:\tolmtest, deleted with its content when it goes.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& child) const { return m_path + "\\" + child; }

private:
    std::string m_path;
};

// Copies the helper program source to dir\exeName, runs it with the path of a
// file in dir as its one argument and reads what it wrote there into output.
// False when it cannot be run or does not end with 0 within a minute.
bool RunProbeAs(const std::string& source, const ScratchDir& dir, const std::string& exeName, std::string* output);

// Deletes a tree below root (C:\tolmtest by default; refuses any other place),
// leaving links alone. Test use only.
void RemoveTestTree(const std::string& path, const char* root = "C:\\tolmtest\\");
bool FileExists(const std::string& path);
bool WriteFile(const std::string& path, const std::string& content);
// The whole content of a file (read while others may still write it); none
// when it cannot be opened.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Makes Wine report Windows version `version` ("win98", "nt40", "vista", ...)
// to programs named exeName while it lives; the setting is removed afterwards.
class ScopedWindowsVersion {
public:
    ScopedWindowsVersion(const std::string& exeName, const char* version);
    ~ScopedWindowsVersion();
    ScopedWindowsVersion(const ScopedWindowsVersion&) = delete;
    ScopedWindowsVersion& operator=(const ScopedWindowsVersion&) = delete;

    bool Ok() const { return m_ok; }  // the setting was written

private:
    std::string m_key;
    bool m_ok = false;
};

// Keeps the named DLLs ("shlwapi", ...) from programs named exeName while it
// lives (Wine's DllOverrides, empty value): loading them fails as on a system
// that lacks them. The setting is removed afterwards.
class ScopedDisabledDlls {
public:
    ScopedDisabledDlls(const std::string& exeName, std::initializer_list<const char*> dlls);
    ~ScopedDisabledDlls();
    ScopedDisabledDlls(const ScopedDisabledDlls&) = delete;
    ScopedDisabledDlls& operator=(const ScopedDisabledDlls&) = delete;

    bool Ok() const { return m_ok; }  // every setting was written

private:
    std::string m_key;
    bool m_ok = false;
};

// Process ids of running processes whose snapshot name equals name (any case).
std::vector<DWORD> ProcessesNamed(const char* name);

// This test program's own path.
std::string SelfPath();
// Copies this test program to dir\name and returns the copy's path ("" on failure).
std::string CopySelf(const std::string& dir, const std::string& name);

// The GDI objects this process holds: GetGuiResources where it answers, else
// (Wine's is a stub returning 0) the handles that GetObjectType knows.
DWORD GdiObjectCount();

}  // namespace tolmtest
