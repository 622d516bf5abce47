#include "SavableKeys.h"

#include <cstring>
#include <vector>

#include "../../framework/Handles.h"
#include "../report/RunReport.h"

namespace change {

const char kMisreadKeyName[] = "a key name with a line break or a bracket, which regedit would read as another key";
const char kMisreadValueName[] = "a value name with a line break, which regedit would read as another value";
const char kValueTooLarge[] = "a value larger than 1 MB";
const char kTreeTooLarge[] = "more than 4 MB of values in one tree";
const char kUnreadable[] = "a key or value that cannot be read whole";

namespace {

bool HasControlCharacter(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) < 0x20) return true;
    return false;
}

bool Refuse(SaveObstacle& obstacle, const char* why, const std::string& where) { return obstacle.Set(why, where); }

// Every value of key (named where) and every key below it; total counts the
// value data and names met so far.
bool CheckKey(HKEY key, const std::string& where, DWORD& total, SaveObstacle& obstacle) {
    DWORD nameMax = 0;
    if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nameMax, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS)
        return Refuse(obstacle, kUnreadable, where);
    std::vector<char> name(nameMax + 2);
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size()), size = 0;
        // Asked without a data buffer, the system gives the data's size alone.
        LONG rc = ::RegEnumValueA(key, i, name.data(), &length, nullptr, nullptr, nullptr, &size);
        if (rc == ERROR_MORE_DATA && name.size() < 32768) {  // the key's own figure was short
            name.resize(name.size() * 2 + 260);
            --i;
            continue;
        }
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return Refuse(obstacle, kUnreadable, where);
        const std::string value = where + " \"" + Printable(name.data(), length) + "\"";
        if (std::strlen(name.data()) != length || !IsSavableValueName(name.data(), length))
            return Refuse(obstacle, kMisreadValueName, value);
        if (size > kMaxSavedValueSize) return Refuse(obstacle, kValueTooLarge, value);
        total += size + length;
        if (total > kMaxSavedTreeSize) return Refuse(obstacle, kTreeTooLarge, where);
    }
    char sub[260];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof sub;
        LONG rc = ::RegEnumKeyExA(key, i, sub, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return Refuse(obstacle, kUnreadable, where);
        const std::string child = where + "\\" + Printable(sub, length);
        if (std::strlen(sub) != length || !IsSavableKeyName(sub, length)) return Refuse(obstacle, kMisreadKeyName, child);
        RegKey subKey;
        if (::RegOpenKeyExA(key, sub, 0, KEY_READ, subKey.Put()) != ERROR_SUCCESS)
            return Refuse(obstacle, kUnreadable, child);
        if (!CheckKey(subKey.Get(), child, total, obstacle)) return false;
    }
    return true;
}

}  // namespace

bool IsSavableKeyName(const char* name, size_t length) {
    if (!name || HasControlCharacter(name, length)) return false;
    for (size_t i = 0; i < length; ++i)
        if (name[i] == '[' || name[i] == ']') return false;
    return true;
}

bool IsSavableValueName(const char* name, size_t length) { return name && !HasControlCharacter(name, length); }

std::string Printable(const char* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20) {
            out += static_cast<char>(c);
            continue;
        }
        char shown[8];
        wsprintfA(shown, "<%02X>", c);
        out += shown;
    }
    return out;
}

bool IsSavableTree(HKEY root, const char* path, SaveObstacle& obstacle) {
    RegKey key;
    const std::string where = std::string(report::RootName(root)) + (path ? path : "");
    LONG rc = ::RegOpenKeyExA(root, path, 0, KEY_READ, key.Put());
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return Refuse(obstacle, kUnreadable, where);
    DWORD total = 0;
    return CheckKey(key.Get(), where, total, obstacle);
}

bool IsSavableValue(HKEY root, const char* path, const char* name, SaveObstacle& obstacle) {
    const std::string where = std::string(report::RootName(root)) + (path ? path : "") + " \"" +
                              Printable(name ? name : "", name ? std::strlen(name) : 0) + "\"";
    if (name && !IsSavableValueName(name, std::strlen(name))) return Refuse(obstacle, kMisreadValueName, where);
    RegKey key;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return true;
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return true;
    if (size <= kMaxSavedValueSize) return true;
    return Refuse(obstacle, kValueTooLarge, where);
}

}  // namespace change
