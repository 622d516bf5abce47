#include "RunReport.h"

#include <cstdarg>

#include "../../framework/Absent.h"
#include "../../framework/AfxString.h"

namespace {

RunReport* g_current = nullptr;

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
    else if (IsAbsent(static_cast<DWORD>(rc)))
        AfxFormat(out, sizeof out, "absent");
    else
        AfxFormat(out, sizeof out, "refused (error %ld)", static_cast<long>(rc));
}

}  // namespace

ReportScope::ReportScope(RunReport* report) : m_previous(g_current) { g_current = report; }
ReportScope::~ReportScope() { g_current = m_previous; }

namespace report {

RunReport* Current() { return g_current; }

const char* RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKLM\\";
    if (root == HKEY_CURRENT_USER) return "HKCU\\";
    if (root == HKEY_CLASSES_ROOT) return "HKCR\\";
    return "";
}

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
    g_current->Flush();
    g_current->Line("");
    Write("== %s", stepText ? stepText : "");
}

void Flush() {
    if (!g_current) return;
    KeepLastError keep;
    g_current->Flush();
}

void InstallFolder(const char* installDirectory) {
    if (!g_current) return;
    KeepLastError keep;
    g_current->InstallFolder(installDirectory);
}

LONG Opened(HKEY root, const char* path, LONG rc) {
    if (!g_current) return rc;
    KeepLastError keep;
    char outcome[64];
    RegistryOutcome(outcome, rc, "found, emptying");
    Write("  key %s%s: %s", RootName(root), path ? path : "", outcome);
    return rc;
}

void Kept(const char* what, const char* path, const char* why) {
    if (!g_current) return;
    KeepLastError keep;
    Write("  %s %s: kept, %s", what, path, why);
}

}  // namespace report
