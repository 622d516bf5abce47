// CString: an ANSI string in the shape the application code expects.
#pragma once
#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <string>

class CString {
public:
    CString() = default;
    CString(const char* s) : m_s(s ? s : "") {}
    CString(const std::string& s) : m_s(s) {}

    // Loads string nID from the resource module. An identifier missing from the
    // chosen block, or an empty text, loads nothing: the content stays as it was.
    // The UTF-16 text is converted to the thread's ANSI code page.
    BOOL LoadString(UINT nID);
    // The same from an explicit module and language (0 lets the loader choose).
    BOOL LoadString(HINSTANCE hInst, UINT nID, WORD wLanguage = 0);

    // Replaces the content with the formatted text (AfxFormat's rules).
    void Format(const char* fmt, ...);

    CString& operator=(const char* s) { m_s = s ? s : ""; return *this; }
    CString& operator+=(const char* s) { if (s) m_s += s; return *this; }
    CString& operator+=(const CString& s) { m_s += s.m_s; return *this; }
    CString& operator+=(char c) { m_s += c; return *this; }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_s + b.m_s); }
    friend bool operator==(const CString& a, const char* b) { return a.m_s == (b ? b : ""); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }

    operator const char*() const { return m_s.c_str(); }
    const char* GetString() const { return m_s.c_str(); }
    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    const std::string& str() const { return m_s; }

private:
    std::string m_s;
};

// The code page loaded texts are converted to: CP_THREAD_ACP on NT 5.0 and later;
// before that the default ANSI code page of the thread's locale, or CP_ACP when
// that cannot be read.
UINT AfxStringCodePage();

// The module whose resources the framework loads (the program itself).
HINSTANCE AfxGetResourceHandle();

// printf-style formatting into a fixed buffer by msvcrt.dll's _vsnprintf: %s, %c,
// %d, %u, %x with flags and widths, the l size; no floating point. The text is cut
// to size - 1 characters and always terminated. Returns its length, or -1 when it
// was cut (or size is 0).
int AfxFormatV(char* buffer, size_t size, const char* format, va_list args);
int AfxFormat(char* buffer, size_t size, const char* format, ...);
