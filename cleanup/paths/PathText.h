// Path text helpers of the file removal: ANSI paths in fixed buffers, read with
// the system's double-byte lead bytes in mind (a trail byte may be 0x5C).
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstring>

namespace pathtext {

// True when the character starting at p is a double-byte one.
inline bool IsLead(const char* p) {
    return ::IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0';
}

// True when the last character of path is a backslash (not a trail byte).
inline bool EndsWithBackslash(const char* path) {
    bool last = false;
    for (const char* p = path; p && *p; ++p) {
        last = (*p == '\\');
        if (IsLead(p)) { ++p; last = false; }
    }
    return last;
}

// The last backslash character of path, or null when it has none.
inline const char* LastBackslash(const char* path) {
    const char* found = nullptr;
    for (const char* p = path; p && *p; ++p) {
        if (*p == '\\') found = p;
        else if (IsLead(p)) ++p;
    }
    return found;
}

// Concatenates the pieces into out. False, with out empty, when they would not
// fit in size characters (terminating NUL included): nothing is ever cut short.
inline bool BuildPath(char* out, size_t size, const char* a, const char* b = "", const char* c = "",
                      const char* d = "", const char* e = "") {
    const char* parts[] = {a, b, c, d, e};
    size_t used = 0;
    for (const char* part : parts) {
        size_t n = part ? std::strlen(part) : 0;
        if (n >= size - used) {
            if (size) out[0] = '\0';
            return false;
        }
        std::memcpy(out + used, part, n);
        used += n;
    }
    out[used] = '\0';
    return true;
}

// Calls f(level) with path cut after each of its levels that ends past offset
// from (a level is cut before its backslash, the last one at the end), from the
// root outwards, until f returns false; false then. path is restored each time.
template <typename F>
bool ForEachLevel(char* path, size_t from, F&& f) {
    for (size_t i = from;; ++i) {
        if (path[i] != '\\' && path[i] != '\0') {
            if (IsLead(path + i)) ++i;
            continue;
        }
        const char at = path[i];
        if (i > from && path[i - 1] != '\\') {
            path[i] = '\0';
            const bool goOn = f(static_cast<const char*>(path));
            path[i] = at;
            if (!goOn) return false;
        }
        if (at == '\0') return true;
    }
}

// "." and "..".
inline bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// c, a single-byte character, with a letter in upper case: the one folding by
// which names compare without regard to case.
inline char FoldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Equal without regard to the case of single-byte letters.
inline bool EqualNoCase(const char* a, const char* b) {
    for (;;) {
        char ca = *a, cb = *b;
        if (ca == '\0' || cb == '\0') return ca == cb;
        if (IsLead(a)) {
            if (!IsLead(b) || a[0] != b[0] || a[1] != b[1]) return false;
            a += 2; b += 2;
            continue;
        }
        if (FoldCase(ca) != FoldCase(cb)) return false;
        ++a; ++b;
    }
}

}  // namespace pathtext
