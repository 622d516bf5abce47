#include "AfxString.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
// Longest text CString::Format makes; a longer one is cut there.
const size_t kMaxFormatted = 0x10000;
}  // namespace

HINSTANCE AfxGetResourceHandle() {
    return ::GetModuleHandleA(nullptr);
}

UINT AfxStringCodePage() {
    DWORD v = ::GetVersion();
    bool nt = (v & 0x80000000u) == 0;
    if (nt && LOBYTE(LOWORD(v)) >= 5) return CP_THREAD_ACP;
    char buf[8] = {};
    if (::GetLocaleInfoA(::GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, buf, sizeof buf) > 0) {
        UINT cp = static_cast<UINT>(std::strtoul(buf, nullptr, 10));
        if (cp != 0) return cp;
    }
    return CP_ACP;
}

BOOL CString::LoadString(UINT nID) {
    return LoadString(AfxGetResourceHandle(), nID, 0);
}

BOOL CString::LoadString(HINSTANCE hInst, UINT nID, WORD wLanguage) {
    // String tables are stored in blocks of 16: block (id / 16) + 1, entry id % 16,
    // each entry a length-prefixed UTF-16 text.
    LPCSTR block = MAKEINTRESOURCEA((nID >> 4) + 1);
    HRSRC res = wLanguage ? ::FindResourceExA(hInst, MAKEINTRESOURCEA(6), block, wLanguage)
                          : ::FindResourceA(hInst, block, MAKEINTRESOURCEA(6));
    if (!res) return FALSE;
    HGLOBAL mem = ::LoadResource(hInst, res);
    if (!mem) return FALSE;
    const WCHAR* p = static_cast<const WCHAR*>(::LockResource(mem));
    DWORD size = ::SizeofResource(hInst, res) / sizeof(WCHAR);
    if (!p) return FALSE;
    const WCHAR* end = p + size;
    for (UINT i = 0; i < (nID & 15); ++i) {
        if (p >= end) return FALSE;
        p += 1 + *p;
    }
    if (p >= end) return FALSE;
    int len = *p++;
    if (len == 0 || p + len > end) return FALSE;

    UINT cp = AfxStringCodePage();
    int n = ::WideCharToMultiByte(cp, 0, p, len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return FALSE;
    std::vector<char> out(n);
    ::WideCharToMultiByte(cp, 0, p, len, out.data(), n, nullptr, nullptr);
    m_s.assign(out.data(), n);
    return TRUE;
}

void CString::Format(const char* fmt, ...) {
    std::vector<char> buf(256);
    for (;;) {
        va_list ap;
        va_start(ap, fmt);
        int n = AfxFormatV(buf.data(), buf.size(), fmt, ap);
        va_end(ap);
        if (n >= 0 || buf.size() >= kMaxFormatted) {
            m_s.assign(buf.data());
            return;
        }
        buf.resize(buf.size() * 2);
    }
}

int AfxFormatV(char* buffer, size_t size, const char* format, va_list args) {
    if (size == 0) return -1;
    // Writes at most size - 1 characters, with no terminator when they fill it;
    // -1 when the text is longer.
    int n = _vsnprintf(buffer, size - 1, format, args);
    buffer[n >= 0 ? n : size - 1] = '\0';
    return n;
}

int AfxFormat(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = AfxFormatV(buffer, size, format, args);
    va_end(args);
    return n;
}
