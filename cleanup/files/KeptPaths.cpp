#include "KeptPaths.h"

#include <cstring>

#include "../paths/PathText.h"

namespace {

// path with each run of backslashes read as one and no trailing one.
std::string Normalised(const char* path) {
    std::string out;
    bool afterBackslash = false;  // a trail byte may be 0x5C: remembered, not read back
    for (const char* p = path; p && *p; ++p) {
        if (pathtext::IsLead(p)) {
            out.append(p, 2);
            ++p;
            afterBackslash = false;
        } else if (*p != '\\' || !afterBackslash || out.size() < 2) {
            out += *p;  // the two leading backslashes of a share name stay
            afterBackslash = *p == '\\';
        }
    }
    while (out.size() > 3 && pathtext::EndsWithBackslash(out.c_str())) out.pop_back();
    return out;
}

}  // namespace

void KeptPaths::Add(const char* path) {
    if (path && *path) m_paths.push_back(Normalised(path));
}

bool KeptPaths::Covers(const char* path) const {
    if (m_paths.empty() || !path) return false;
    const std::string p = Normalised(path);
    for (const std::string& kept : m_paths) {
        if (p.size() < kept.size() || (p.size() > kept.size() && p[kept.size()] != '\\')) continue;
        if (pathtext::EqualNoCase(p.substr(0, kept.size()).c_str(), kept.c_str())) return true;
    }
    return false;
}
