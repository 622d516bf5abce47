// The run report as the removal operations see it: one narrow interface that
// the run installs for its duration. Without an installed report every call
// here does nothing. Reporting never changes what an operation does or returns,
// and keeps the calling thread's last error as it was.
#pragma once
#include <windows.h>

class RunReport {
public:
    virtual ~RunReport() = default;
    // One line of text in the ANSI code page, without line break.
    virtual void Line(const char* text) = 0;
    // The install directory the run will clear, or null when it has none; the
    // report must not live inside it.
    virtual void InstallFolder(const char* installDirectory) = 0;
    // Puts what was reported so far on disk: at the end of each step and before
    // each question, so that a restart or a crash loses nothing reported.
    virtual void Flush() {}
    // Where the report is kept, for the person to find it; "" when nowhere.
    virtual const char* Place() const { return ""; }
};

// Keeps the thread's last error across the reporting it is alive for, so that a
// caller that asks for it after a reported call still sees the call's own.
class KeepLastError {
public:
    KeepLastError() : m_error(::GetLastError()) {}
    ~KeepLastError() { ::SetLastError(m_error); }
    DWORD Error() const { return m_error; }

private:
    DWORD m_error;
};

// Installs report as the current one until the scope ends; scopes nest.
class ReportScope {
public:
    explicit ReportScope(RunReport* report);
    ~ReportScope();
    ReportScope(const ReportScope&) = delete;
    ReportScope& operator=(const ReportScope&) = delete;

private:
    RunReport* m_previous;
};

namespace report {

// The installed report, or null.
RunReport* Current();

// "HKLM\", "HKCU\", "HKCR\" or "": how the report names a key's root.
const char* RootName(HKEY root);

// A formatted line (wsprintf rules, at most 1000 characters).
void Note(const char* format, ...);
// A step section's first line; what the step before it reported is flushed first.
void Section(const char* stepText);
void Flush();
void InstallFolder(const char* installDirectory);

// A key opened to be emptied: "found", absent or refused; returns rc unchanged.
LONG Opened(HKEY root, const char* path, LONG rc);
// What was left alone and why.
void Kept(const char* what, const char* path, const char* why);

}  // namespace report
