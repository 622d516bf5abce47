#include "RunReport.h"

#include <cstdarg>

#include "../../framework/AfxString.h"

namespace {

RunReport* g_current = nullptr;

// Keeps the last error across the reporting, so a caller that asks for it
// after a reported call still sees the call's own.
class KeepLastError {
public:
    KeepLastError() : m_error(::GetLastError()) {}
    ~KeepLastError() { ::SetLastError(m_error); }
    DWORD Error() const { return m_error; }

private:
    DWORD m_error;
};

const char* RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKLM\\";
    if (root == HKEY_CURRENT_USER) return "HKCU\\";
    if (root == HKEY_CLASSES_ROOT) return "HKCR\\";
    return "";
}

void Write(const char* format, va_list args) {
    char text[1100];
    AfxFormatV(text, sizeof text, format, args);
    g_current->Line(text);
}

void Write(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write(format, args);
    va_end(args);
}

// The outcome of a registry call as a reader wants it.
void RegistryOutcome(char (&out)[64], LONG rc, const char* done) {
    if (rc == ERROR_SUCCESS)
        AfxFormat(out, sizeof out, "%s", done);
    else if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND)
        AfxFormat(out, sizeof out, "absent");
    else
        AfxFormat(out, sizeof out, "refused (error %ld)", static_cast<long>(rc));
}

}  // namespace

ReportScope::ReportScope(RunReport* report) : m_previous(g_current) { g_current = report; }
ReportScope::~ReportScope() { g_current = m_previous; }

namespace report {

RunReport* Current() { return g_current; }

void Note(const char* format, ...) {
    if (!g_current) return;
    KeepLastError keep;
    va_list args;
    va_start(args, format);
    Write(format, args);
    va_end(args);
}

void Section(const char* stepText) {
    if (!g_current) return;
    KeepLastError keep;
    g_current->Line("");
    Write("== %s", stepText ? stepText : "");
}

void InstallFolder(const char* installDirectory) {
    if (!g_current) return;
    KeepLastError keep;
    g_current->InstallFolder(installDirectory);
}

LONG Deleted(HKEY root, const char* path, const char* value, LONG rc) {
    if (!g_current) return rc;
    KeepLastError keep;
    char outcome[64];
    RegistryOutcome(outcome, rc, "deleted");
    if (value && !root)  // a value of the key named just before
        Write("    value \"%s\": %s", value, outcome);
    else if (value)
        Write("  value %s%s \"%s\": %s", RootName(root), path ? path : "", value, outcome);
    else
        Write("  key %s%s: %s", RootName(root), path ? path : "", outcome);
    return rc;
}

LONG Opened(HKEY root, const char* path, LONG rc) {
    if (!g_current) return rc;
    KeepLastError keep;
    char outcome[64];
    RegistryOutcome(outcome, rc, "found, emptying");
    Write("  key %s%s: %s", RootName(root), path ? path : "", outcome);
    return rc;
}

LONG Written(HKEY root, const char* path, const char* value, const char* data, LONG rc) {
    if (!g_current) return rc;
    KeepLastError keep;
    if (rc == ERROR_SUCCESS)
        Write("  value %s%s \"%s\": written \"%s\"", RootName(root), path, value, data ? data : "");
    else
        Write("  value %s%s \"%s\": not written (error %ld)", RootName(root), path, value, static_cast<long>(rc));
    return rc;
}

BOOL FileDeleted(const char* path, BOOL ok) {
    if (!g_current) return ok;
    KeepLastError keep;
    const DWORD e = keep.Error();
    if (ok)
        Write("  file %s: deleted", path);
    else if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
        Write("  file %s: absent", path);
    else if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION)
        Write("  file %s: left, in use (error %lu)", path, e);
    else
        Write("  file %s: refused (error %lu)", path, e);
    return ok;
}

BOOL FolderRemoved(const char* path, BOOL ok) {
    if (!g_current) return ok;
    KeepLastError keep;
    const DWORD e = keep.Error();
    if (ok)
        Write("  folder %s: removed", path);
    else if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
        Write("  folder %s: absent", path);
    else if (e == ERROR_DIR_NOT_EMPTY)
        Write("  folder %s: left, not empty", path);
    else if (e == ERROR_SHARING_VIOLATION)
        Write("  folder %s: left, in use (error %lu)", path, e);
    else
        Write("  folder %s: refused (error %lu)", path, e);
    return ok;
}

BOOL Copied(const char* source, const char* destination, BOOL ok) {
    if (!g_current) return ok;
    KeepLastError keep;
    const DWORD e = keep.Error();
    if (ok)
        Write("  copied %s to %s", source, destination);
    else if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
        Write("  not copied, absent: %s", source);
    else
        Write("  not copied (error %lu): %s to %s", e, source, destination);
    return ok;
}

void Kept(const char* what, const char* path, const char* why) {
    if (!g_current) return;
    KeepLastError keep;
    Write("  %s %s: kept, %s", what, path, why);
}

}  // namespace report
