#include "ChangeSession.h"

#include "../paths/PathText.h"

namespace change {

namespace {

Session* g_current = nullptr;

// text with single-byte letters in upper case, each run of backslashes as one
// and no trailing one: the form in which the overlay compares names.
std::string Folded(const char* text) {
    std::string out;
    bool afterBackslash = false;  // a trail byte may be 0x5C: remembered, not read back
    for (const char* p = text; p && *p; ++p) {
        if (::IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) {
            out.append(p, 2);
            ++p;
            afterBackslash = false;
            continue;
        }
        if (*p == '\\' && afterBackslash) continue;
        afterBackslash = *p == '\\';
        out += pathtext::FoldCase(*p);
    }
    if (afterBackslash) out.pop_back();  // runs are one backslash already
    return out;
}

const char kValueMark = '\x01';  // between a key and a value name, which may hold backslashes

}  // namespace

Session::Session(Mode mode) : m_mode(mode), m_previous(g_current) { g_current = this; }
Session::~Session() { g_current = m_previous; }

void Session::Forget(const std::string& item) {
    m_made.Erase(item);
    m_gone.Insert(item);
}

void Session::Make(const std::string& item) {
    m_gone.Erase(item);
    m_made.Insert(item);
}

bool Session::IsMade(const std::string& item) const { return m_made.Contains(item); }

bool Session::IsGone(const std::string& item) const {
    if (m_gone.Empty()) return false;
    if (m_gone.Contains(item)) return true;
    if (m_made.Contains(item)) return false;
    // A value goes with its key; a file, folder or key with a folder or key above it.
    std::string above = item;
    const size_t mark = above.find(kValueMark);
    if (mark != std::string::npos) {
        above.resize(mark);
        if (m_gone.Contains(above)) return true;
    }
    for (size_t cut = above.rfind('\\'); cut != std::string::npos && cut > 2; cut = above.rfind('\\')) {
        above.resize(cut);
        if (m_gone.Contains(above)) return true;
    }
    return false;
}

void Session::Refuse(const std::string& item) {
    for (const std::string& left : m_left)
        if (left == item) return;
    m_left.push_back(item);
    m_tally.left = static_cast<int>(m_left.size());
}

void Session::Removed(const std::string& item) {
    if (m_left.empty()) return;
    // The item itself, and what lies below it: a path or key, or a value of a key.
    auto below = [&](const std::string& left) {
        return left.size() > item.size() && left.compare(0, item.size(), item) == 0 &&
               (left[item.size()] == '\\' || left[item.size()] == kValueMark);
    };
    size_t kept = 0;
    for (size_t i = 0; i < m_left.size(); ++i)
        if (!(m_left[i] == item || below(m_left[i]))) m_left[kept++] = m_left[i];
    m_left.resize(kept);
    m_tally.left = static_cast<int>(kept);
}

void Session::Postpone(const std::string& item) {
    const int before = m_tally.left;
    std::vector<std::string> others;
    for (const std::string& left : m_left)
        if (left != item) others.push_back(left);
    m_left.swap(others);
    m_tally.left = static_cast<int>(m_left.size());
    if (m_tally.left < before) ++m_tally.pending;
}

bool Session::LeftInUseBelow(const std::string& folderItem) const {
    for (const std::string& item : m_inUse)
        if (item.size() > folderItem.size() && item.compare(0, folderItem.size(), folderItem) == 0 &&
            item[folderItem.size()] == '\\')
            return true;
    return false;
}

Session* Current() { return g_current; }

bool Previewing() { return g_current && g_current->GetMode() == Mode::Preview; }

void Count(int Tally::*what) {
    if (g_current) ++(g_current->Counts().*what);
}

void Refuse(const std::string& item) {
    if (g_current) g_current->Refuse(item);
}

void Removed(const std::string& item) {
    if (g_current) g_current->Removed(item);
}

RegistryBackup* Backup() { return g_current ? g_current->Backup() : nullptr; }

std::string ServiceItem(const char* name) { return "S|" + Folded(name); }

std::string ProcessItem(DWORD processId) {
    char id[16];
    wsprintfA(id, "P|%lu", processId);
    return id;
}

std::string PathItem(const char* path) { return "F|" + Folded(path); }

std::string KeyItem(HKEY root, const char* path) {
    return "K|" + Folded((std::string(RootName(root)) + (path ? path : "")).c_str());
}

std::string ValueItem(HKEY root, const char* path, const char* name) {
    return KeyItem(root, path) + kValueMark + Folded(name ? name : "");
}

}  // namespace change
