#include "RegExport.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "../../framework/Handles.h"
#include "../../sys/OsInfo.h"
#include "../paths/PathText.h"
#include "../report/RunReport.h"

namespace regexport {

namespace {

const size_t kLineWidth = 80;  // regedit's own: hex data is continued before it

const char* RootText(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (root == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (root == HKEY_USERS) return "HKEY_USERS";
    return "";
}

// path without regard to case begins with the component prefix.
bool BeginsWith(const char* path, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (std::strlen(path) < n) return false;
    std::string head(path, n);
    return pathtext::EqualNoCase(head.c_str(), prefix) && (path[n] == '\0' || path[n] == '\\');
}

// The 64-bit view has the 32-bit view's own key: WoW64 redirects there.
bool HasWow64Node(HKEY root, const char* node) {
    RegKey key;
    return ::RegOpenKeyExA(root, node, 0, KEY_READ | KEY_WOW64_64KEY, key.Put()) == ERROR_SUCCESS;
}

// text with backslashes and quotes escaped as regedit reads them back.
std::string Escaped(const char* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (i + 1 < length && ::IsDBCSLeadByte(static_cast<BYTE>(c))) {
            out.append(text + i, 2);  // a trail byte of 0x5C is no backslash
            ++i;
        } else if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\r' || c == '\n') {
            out += c == '\r' ? "\\r" : "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

// A string regedit can take back as written between quotes.
bool IsPlainString(const BYTE* data, DWORD size) {
    if (size == 0 || data[size - 1] != 0) return false;
    for (DWORD i = 0; i + 1 < size; ++i)
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
    return true;
}

std::string Section(HKEY root, const char* path) { return "\r\n[" + KeyName(root, path) + "]\r\n"; }

// Every value of the open key (named where), in the order the system lists
// them; false, with obstacle filled in, when one cannot be saved as it is.
// total counts the data and names of the tree so far.
bool ValuesOf(HKEY key, const std::string& where, std::string& out, DWORD& total, change::SaveObstacle& obstacle) {
    DWORD nameMax = 0, dataMax = 0;
    if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameMax, &dataMax,
                           nullptr, nullptr) != ERROR_SUCCESS)
        return obstacle.Set(change::kUnreadable, where);
    // A value larger than the bound is not even read.
    if (dataMax > change::kMaxSavedValueSize) return obstacle.Set(change::kValueTooLarge, where);
    std::vector<char> name(nameMax + 2);
    std::vector<BYTE> data(dataMax + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
        LONG rc = ::RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (rc == ERROR_MORE_DATA && data.size() <= change::kMaxSavedValueSize) {
            // The sizes the key reported were short: ask again, larger.
            name.resize(name.size() * 2 + 260);
            data.resize(data.size() * 2 + 260);
            --i;
            continue;
        }
        if (rc == ERROR_NO_MORE_ITEMS) return true;
        if (rc == ERROR_MORE_DATA) return obstacle.Set(change::kValueTooLarge, where);
        if (rc != ERROR_SUCCESS) return obstacle.Set(change::kUnreadable, where);
        const std::string value = where + " \"" + change::Printable(name.data(), nameSize) + "\"";
        if (std::strlen(name.data()) != nameSize || !change::IsSavableValueName(name.data(), nameSize))
            return obstacle.Set(change::kMisreadValueName, value);
        if (dataSize > change::kMaxSavedValueSize) return obstacle.Set(change::kValueTooLarge, value);
        total += dataSize + nameSize;
        if (total > change::kMaxSavedTreeSize) return obstacle.Set(change::kTreeTooLarge, where);
        out += ValueLines(name.data(), type, data.data(), dataSize);
    }
}

// TreeText's walk: appends root\path and all below it to out.
bool AppendTree(HKEY root, const std::string& path, std::string& out, std::vector<std::string>* keys, DWORD& total,
                change::SaveObstacle& obstacle) {
    const std::string where = std::string(report::RootName(root)) + path;
    RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return obstacle.Set(change::kUnreadable, where);
    if (keys) keys->push_back(KeyName(root, path.c_str()));
    out += Section(root, path.c_str());
    if (!ValuesOf(key.Get(), where, out, total, obstacle)) return false;
    char sub[260];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof sub;
        LONG rc = ::RegEnumKeyExA(key.Get(), i, sub, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return true;
        if (rc != ERROR_SUCCESS) return obstacle.Set(change::kUnreadable, where);
        // A name regedit would read as another key is never written.
        if (std::strlen(sub) != size || !change::IsSavableKeyName(sub, size))
            return obstacle.Set(change::kMisreadKeyName, where + "\\" + change::Printable(sub, size));
        if (!AppendTree(root, path + "\\" + sub, out, keys, total, obstacle)) return false;
    }
}

}  // namespace

std::string KeySpelling::Of(HKEY root, const std::string& path) {
    std::string spelled;
    size_t at = 0;
    while (at < path.size()) {
        size_t end = path.find('\\', at);
        if (end == std::string::npos) end = path.size();
        const std::string level = path.substr(at, end - at);
        const std::vector<std::string>& subkeys = Subkeys(root, spelled);
        auto name = std::find_if(subkeys.begin(), subkeys.end(), [&](const std::string& sub) {
            return pathtext::EqualNoCase(sub.c_str(), level.c_str());
        });
        if (name == subkeys.end()) break;
        spelled += (at ? "\\" : "") + *name;
        at = end + 1;
    }
    return at >= path.size() ? spelled : spelled + (at ? "\\" : "") + path.substr(at);
}

const std::vector<std::string>& KeySpelling::Subkeys(HKEY root, const std::string& parent) {
    for (const Listing& listing : m_listings)
        if (listing.root == root && listing.parent == parent) return listing.subkeys;
    m_listings.push_back({root, parent, {}});
    std::vector<std::string>& subkeys = m_listings.back().subkeys;
    RegKey key;
    if (::RegOpenKeyExA(root, parent.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, key.Put()) != ERROR_SUCCESS) return subkeys;
    char sub[260];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof sub;
        const LONG rc = ::RegEnumKeyExA(key.Get(), i, sub, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) subkeys.push_back(std::string(sub, size));
        else if (rc != ERROR_MORE_DATA) return subkeys;
    }
}

std::string KeyName(HKEY root, const char* path) {
    std::string name = RootText(root);
    if (!path || !*path) return name;
    std::string rest = path;
    if (IsWow64()) {
        if (root == HKEY_LOCAL_MACHINE && BeginsWith(path, "SOFTWARE") && !BeginsWith(path, "SOFTWARE\\Wow6432Node") &&
            !BeginsWith(path, "SOFTWARE\\Classes") && HasWow64Node(root, "SOFTWARE\\Wow6432Node"))
            rest = std::string(path, 8) + "\\Wow6432Node" + std::string(path + 8);
        else if (root == HKEY_CLASSES_ROOT && BeginsWith(path, "CLSID") && HasWow64Node(root, "Wow6432Node\\CLSID"))
            rest = "Wow6432Node\\" + rest;
    }
    return name + "\\" + rest;
}

std::string TreeText(HKEY root, const char* path, std::vector<std::string>* keys, change::SaveObstacle* obstacle) {
    RegKey key;
    if (!path || ::RegOpenKeyExA(root, path, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return "";
    key.Close();
    change::SaveObstacle found;
    std::string out;
    std::vector<std::string> named;
    DWORD total = 0;
    if (!AppendTree(root, path, out, keys ? &named : nullptr, total, found)) {
        if (obstacle) *obstacle = found;
        return "";
    }
    if (keys) keys->insert(keys->end(), named.begin(), named.end());
    return out;
}

std::string ValueText(HKEY root, const char* path, const char* name, change::SaveObstacle* obstacle) {
    change::SaveObstacle found;
    if (!change::IsSavableValue(root, path, name, found)) {
        if (obstacle) *obstacle = found;
        return "";
    }
    RegKey key;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return "";
    DWORD type = 0, size = 0;
    LONG rc = ::RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size);
    std::vector<BYTE> data(size <= change::kMaxSavedValueSize ? size + 2 : 0);
    if (rc == ERROR_SUCCESS && !data.empty()) rc = ::RegQueryValueExA(key.Get(), name, nullptr, &type, data.data(), &size);
    if (rc == ERROR_FILE_NOT_FOUND) return "";
    // Grown or changed since it was looked at: not saved, so not changed either.
    if (rc != ERROR_SUCCESS || data.empty()) {
        if (obstacle) obstacle->Set(change::kUnreadable, std::string(report::RootName(root)) + path);
        return "";
    }
    return Section(root, path) + ValueLines(name, type, data.data(), size);
}

std::string AbsentValueText(HKEY root, const char* path, const char* name) {
    if (!name || !*name) return "";
    return Section(root, path) + "\"" + Escaped(name, std::strlen(name)) + "\"=-\r\n";
}

std::string ValueLines(const char* name, DWORD type, const BYTE* data, DWORD size) {
    std::string out = name && *name ? "\"" + Escaped(name, std::strlen(name)) + "\"=" : "@=";
    char piece[32];
    if (type == REG_SZ && IsPlainString(data, size)) {
        out += "\"" + Escaped(reinterpret_cast<const char*>(data), size - 1) + "\"";
    } else if (type == REG_DWORD && size == 4) {
        DWORD value;
        std::memcpy(&value, data, 4);
        wsprintfA(piece, "dword:%08lx", value);
        out += piece;
    } else {
        if (type == REG_BINARY) {
            out += "hex:";
        } else {
            wsprintfA(piece, "hex(%lx):", type);
            out += piece;
        }
        size_t line = out.size();
        for (DWORD i = 0; i < size; ++i) {
            wsprintfA(piece, i + 1 < size ? "%02x," : "%02x", data[i]);
            // Continued after a comma, so that the line with its backslash stays within the width.
            if (i > 0 && line + std::strlen(piece) + 1 > kLineWidth) {
                out += "\\\r\n  ";
                line = 2;
            }
            out += piece;
            line += std::strlen(piece);
        }
    }
    return out + "\r\n";
}

}  // namespace regexport
