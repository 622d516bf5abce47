#include "RegistryChanges.h"

#include <shlwapi.h>

#include <cstring>

#include <string>
#include <vector>

#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../paths/PathText.h"
#include "ChangeOutcome.h"
#include "ChangeSession.h"

namespace change {

namespace {

// The report's name of a key, or of its value name (value; null the default).
std::string Subject(HKEY root, const char* path, bool value = false, const char* name = nullptr) {
    char subject[700];
    const std::string shown = name ? Printable(name, std::strlen(name)) : "";
    if (value) wsprintfA(subject, "value %s%.260s \"%.260s\"", RootName(root), path, shown.c_str());
    else wsprintfA(subject, "key %s%.600s", RootName(root), path);
    return subject;
}

// A value written: %1 its data as the report shows it.
const DWORD kUnchanged = OwnCode(1);
const Outcome kWrite[] = {
    {0, "written \"%1\"", kWritten | kMade | kWouldBe},
    {kUnchanged, "written, unchanged \"%1\"", kMade | kWouldBe},
    {kOtherCode, "not written (error %e)", kRefused | kFailed},
};

std::string Joined(const char* path, const char* name) { return std::string(path) + "\\" + name; }

// True when key (open) has a subkey that is not gone in the preview.
bool HasVisibleSubkeys(HKEY key, HKEY root, const std::string& path) {
    char name[260];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        LONG rc = ::RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) return true;
        if (rc != ERROR_SUCCESS) return false;
        if (!Current()->IsGone(KeyItem(root, Joined(path.c_str(), name).c_str()))) return true;
    }
}

// A preview's RegDeleteKeyA: NT keeps a key that still has subkeys.
LONG PreviewKeyDeletion(HKEY root, const std::string& path) {
    RegKeyHolder key;
    LONG rc = OpenKey(root, path.c_str(), KEY_READ, key);
    if (rc != ERROR_SUCCESS) return rc;
    return IsWindowsNT() && HasVisibleSubkeys(key.Get(), root, path) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

// Saves the tree (tree) or the value name before it changes: in every mode
// the names and sizes are looked at, and in a real run the backup saves it.
bool Saved(HKEY root, const char* path, const char* name, bool tree, SaveObstacle& obstacle) {
    if (!(tree ? IsSavableTree(root, path, obstacle) : IsSavableValue(root, path, name, obstacle))) return false;
    RegistryBackup* backup = Backup();
    return !backup || (tree ? backup->SaveTree(root, path, &obstacle) : backup->SaveValue(root, path, name, &obstacle));
}

// The deletion of the key root\path (deleting it), the tree saved first.
LONG KeyDeletion(HKEY root, const char* path, const Call& deleting, const Call& answer) {
    return static_cast<LONG>(Carry({Subject(root, path), KeyItem(root, path), kDeletion}, deleting, answer,
                                   [&](SaveObstacle& o) { return Saved(root, path, nullptr, true, o); }));
}

// The value's type and data, or false when it is not there or larger than the
// backup saves (it is not read then).
bool ReadValue(HKEY key, const char* name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (size > kMaxSavedValueSize) return false;
    data.resize(size + 2);
    if (::RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return false;
    data.resize(size);
    return true;
}

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

bool SameData(DWORD oldType, const std::vector<BYTE>& old, DWORD type, const BYTE* data, DWORD size) {
    if (oldType != type) return false;
    if (IsString(type)) {
        std::string a(reinterpret_cast<const char*>(old.data()), old.size());
        std::string b(reinterpret_cast<const char*>(data), size);
        return pathtext::EqualNoCase(a.c_str(), b.c_str());  // up to the first NUL of each
    }
    return old.size() == size && (size == 0 || std::memcmp(old.data(), data, size) == 0);
}

}  // namespace

LONG OpenKey(HKEY root, const char* path, REGSAM access, RegKeyHolder& key) {
    key.Close();
    key.root = root;
    key.path = path ? path : "";
    if (Previewing() && Current()->IsGone(KeyItem(root, path))) return ERROR_FILE_NOT_FOUND;
    const LONG rc = ::RegOpenKeyExA(root, path, 0, access, key.Put());
    if (rc != ERROR_SUCCESS) key.Detach();  // what a failed open left there is no key
    return rc;
}

LONG EnumValueName(const RegKeyHolder& key, DWORD index, char* name, DWORD* size) {
    if (!Previewing()) return ::RegEnumValueA(key.Get(), index, name, size, nullptr, nullptr, nullptr, nullptr);
    const DWORD room = *size;
    DWORD visible = 0;
    for (DWORD i = 0;; ++i) {
        DWORD n = room;
        LONG rc = ::RegEnumValueA(key.Get(), i, name, &n, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
        // A name too long to read cannot have been deleted by this run.
        if (rc == ERROR_SUCCESS && Current()->IsGone(ValueItem(key.root, key.path.c_str(), name))) continue;
        if (visible++ == index) {
            *size = n;
            return rc;
        }
    }
}

LONG DeleteValue(const RegKeyHolder& key, const char* name) {
    const char* path = key.path.c_str();
    const Change change = {Subject(key.root, path, true, name), ValueItem(key.root, path, name), kDeletion};
    const Call answer = [&]() -> DWORD {
        return !Current()->IsGone(change.item) &&
                       ::RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
                   ? ERROR_SUCCESS
                   : ERROR_FILE_NOT_FOUND;
    };
    return static_cast<LONG>(Carry(change, [&] { return DWORD(::RegDeleteValueA(key.Get(), name)); }, answer,
                                   [&](SaveObstacle& o) { return Saved(key.root, path, name, false, o); }));
}

LONG DeleteSubkey(const RegKeyHolder& parent, const char* name) {
    const std::string path = Joined(parent.path.c_str(), name);
    return KeyDeletion(parent.root, path.c_str(), [&] { return DWORD(::RegDeleteKeyA(parent.Get(), name)); },
                       [&] { return DWORD(PreviewKeyDeletion(parent.root, path)); });
}

LONG DeleteKey(HKEY root, const char* path) {
    return KeyDeletion(root, path, [&] { return DWORD(::RegDeleteKeyA(root, path)); },
                       [&] { return DWORD(PreviewKeyDeletion(root, path)); });
}

LONG DeleteTree(HKEY root, const char* path) {
    return KeyDeletion(root, path, [&] { return DWORD(DeleteKeyTree(root, path)); }, [&] {
        RegKeyHolder key;
        return DWORD(OpenKey(root, path, KEY_READ, key));
    });
}

LONG WriteValue(const RegKeyHolder& key, const char* name, DWORD type, const BYTE* data, DWORD size) {
    const char* path = key.path.c_str();
    const Change change = {Subject(key.root, path, true, name), ValueItem(key.root, path, name), kWrite,
                           IsString(type) ? reinterpret_cast<const char*>(data) : "(binary data)"};
    const bool visible = !(Previewing() && Current()->IsGone(change.item));
    // Unchanged: a value of the same type and data is there now.
    const auto unchanged = [&] {
        DWORD oldType = REG_NONE;
        std::vector<BYTE> old;
        return visible && ReadValue(key.Get(), name, oldType, old) && SameData(oldType, old, type, data, size);
    };
    const Call write = [&]() -> DWORD {
        const bool same = unchanged();
        const LONG rc = ::RegSetValueExA(key.Get(), name, 0, type, data, size);
        return rc != ERROR_SUCCESS ? DWORD(rc) : same ? kUnchanged : 0;
    };
    // What is there now is saved first; what cannot be saved is not replaced.
    const Save save = [&](SaveObstacle& o) { return !visible || Saved(key.root, path, name, false, o); };
    const DWORD rc = Carry(change, write, [&] { return unchanged() ? kUnchanged : 0; }, save);
    return rc == kUnchanged ? ERROR_SUCCESS : static_cast<LONG>(rc);
}

LONG WriteString(const RegKeyHolder& key, const char* name, const char* text) {
    if (!text) return ERROR_INVALID_PARAMETER;
    return WriteValue(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(::lstrlenA(text)) + 1);
}

}  // namespace change
