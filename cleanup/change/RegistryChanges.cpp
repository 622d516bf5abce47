#include "RegistryChanges.h"

#include <shlwapi.h>

#include <cstring>

#include <string>
#include <vector>

#include "../../framework/Absent.h"
#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../paths/PathText.h"
#include "../report/RunReport.h"
#include "ChangeSession.h"

namespace change {

namespace {

// Reports and counts the deletion of a key (name null) or of a value; passes rc through.
LONG DeletionOutcome(HKEY root, const char* path, const char* name, LONG rc) {
    KeepLastError keep;
    const bool preview = Previewing();
    char item[700];
    if (name)
        wsprintfA(item, "  value %s%.260s \"%.260s\"", RootName(root), path, name);
    else
        wsprintfA(item, "  key %s%.600s", RootName(root), path);
    const auto itemName = [&] { return name ? ValueItem(root, path, name) : KeyItem(root, path); };
    if (rc == ERROR_SUCCESS) {
        Count(&Tally::removed);
        if (AnyLeft()) Removed(itemName());
        report::Note(preview ? "%s: would be deleted" : "%s: deleted", item);
    } else if (IsAbsent(static_cast<DWORD>(rc))) {
        report::Note("%s: absent", item);
    } else {
        Count(&Tally::refused);
        Refuse(itemName());
        report::Note(preview ? "%s: would be refused (error %ld)" : "%s: refused (error %ld)", item, static_cast<long>(rc));
    }
    return rc;
}

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
    RegKey key;
    LONG rc = OpenKey(root, path.c_str(), KEY_READ, key);
    if (rc != ERROR_SUCCESS) return rc;
    if (IsWindowsNT() && HasVisibleSubkeys(key.Get(), root, path)) return ERROR_ACCESS_DENIED;
    Current()->Forget(KeyItem(root, path.c_str()));
    return ERROR_SUCCESS;
}

RegistryBackup* Backup() { return Current() ? Current()->Backup() : nullptr; }

// What a change leaves alone because the backup could not save it as it is.
const LONG kLeftUnsaved = ERROR_INVALID_DATA;

LONG LeftUnsaved(HKEY root, const char* path, const char* name, const SaveObstacle& obstacle) {
    KeepLastError keep;
    Count(&Tally::refused);
    char item[700];
    if (name)
        wsprintfA(item, "  value %s%.260s \"%.260s\"", RootName(root), path, Printable(name, std::strlen(name)).c_str());
    else
        wsprintfA(item, "  key %s%.600s", RootName(root), path);
    report::Note("%s: left, it cannot be saved in the registry backup: %s (%.500s)", item, obstacle.why,
                 obstacle.where.c_str());
    return kLeftUnsaved;
}

// Saves the tree (valueName null) or the value before it changes: in every
// mode the names and sizes are looked at, and in a real run the backup saves it.
// False, said in the report, when it cannot be saved as it is.
bool SavedFirst(HKEY root, const char* path, const char* valueName, bool tree) {
    SaveObstacle obstacle;
    bool savable = tree ? IsSavableTree(root, path, obstacle) : IsSavableValue(root, path, valueName, obstacle);
    if (savable) {
        if (RegistryBackup* backup = Backup())
            savable = tree ? backup->SaveTree(root, path, &obstacle) : backup->SaveValue(root, path, valueName, &obstacle);
    }
    if (!savable) LeftUnsaved(root, path, tree ? nullptr : (valueName ? valueName : ""), obstacle);
    return savable;
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

LONG OpenKey(HKEY root, const char* path, REGSAM access, RegKey& key) {
    if (Previewing() && Current()->IsGone(KeyItem(root, path))) return ERROR_FILE_NOT_FOUND;
    return ::RegOpenKeyExA(root, path, 0, access, key.Put());
}

LONG EnumValueName(const Key& key, DWORD index, char* name, DWORD* size) {
    if (!Previewing()) return ::RegEnumValueA(key.handle, index, name, size, nullptr, nullptr, nullptr, nullptr);
    const DWORD room = *size;
    DWORD visible = 0;
    for (DWORD i = 0;; ++i) {
        DWORD n = room;
        LONG rc = ::RegEnumValueA(key.handle, i, name, &n, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
        // A name too long to read cannot have been deleted by this run.
        if (rc == ERROR_SUCCESS && Current()->IsGone(ValueItem(key.root, key.path, name))) continue;
        if (visible++ == index) {
            *size = n;
            return rc;
        }
    }
}

LONG DeleteValue(const Key& key, const char* name) {
    if (!SavedFirst(key.root, key.path, name, false)) return kLeftUnsaved;
    LONG rc;
    if (Previewing()) {
        const std::string item = ValueItem(key.root, key.path, name);
        rc = !Current()->IsGone(item) &&
                     ::RegQueryValueExA(key.handle, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
                 ? ERROR_SUCCESS
                 : ERROR_FILE_NOT_FOUND;
        if (rc == ERROR_SUCCESS) Current()->Forget(item);
    } else {
        rc = ::RegDeleteValueA(key.handle, name);
    }
    return DeletionOutcome(key.root, key.path, name, rc);
}

LONG DeleteSubkey(const Key& parent, const char* name) {
    const std::string path = Joined(parent.path, name);
    if (!SavedFirst(parent.root, path.c_str(), nullptr, true)) return kLeftUnsaved;
    LONG rc = Previewing() ? PreviewKeyDeletion(parent.root, path) : ::RegDeleteKeyA(parent.handle, name);
    return DeletionOutcome(parent.root, path.c_str(), nullptr, rc);
}

LONG DeleteKey(HKEY root, const char* path) {
    if (!SavedFirst(root, path, nullptr, true)) return kLeftUnsaved;
    LONG rc = Previewing() ? PreviewKeyDeletion(root, path) : ::RegDeleteKeyA(root, path);
    return DeletionOutcome(root, path, nullptr, rc);
}

LONG DeleteTree(HKEY root, const char* path) {
    if (!SavedFirst(root, path, nullptr, true)) return kLeftUnsaved;
    LONG rc;
    if (Previewing()) {
        RegKey key;
        rc = OpenKey(root, path, KEY_READ, key);
        if (rc == ERROR_SUCCESS) Current()->Forget(KeyItem(root, path));
    } else {
        rc = static_cast<LONG>(DeleteKeyTree(root, path));
    }
    return DeletionOutcome(root, path, nullptr, rc);
}

LONG WriteValue(const Key& key, const char* name, DWORD type, const BYTE* data, DWORD size) {
    DWORD oldType = REG_NONE;
    std::vector<BYTE> old;
    const std::string item = ValueItem(key.root, key.path, name);
    const bool visible = !(Previewing() && Current()->IsGone(item));
    // What is there now is saved first; what cannot be saved is not replaced.
    if (visible && !SavedFirst(key.root, key.path, name, false)) return kLeftUnsaved;
    const bool existed = visible && ReadValue(key.handle, name, oldType, old);
    const bool same = existed && SameData(oldType, old, type, data, size);
    LONG rc = ERROR_SUCCESS;
    if (Previewing())
        Current()->Make(item);
    else
        rc = ::RegSetValueExA(key.handle, name, 0, type, data, size);
    KeepLastError keep;
    const char* shown = IsString(type) ? reinterpret_cast<const char*>(data) : "(binary data)";
    const bool preview = Previewing();
    if (rc != ERROR_SUCCESS) {
        Count(&Tally::refused);
        Count(&Tally::failed);
        report::Note("  value %s%s \"%s\": not written (error %ld)", RootName(key.root), key.path, name ? name : "",
                     static_cast<long>(rc));
    } else if (same) {
        report::Note(preview ? "  value %s%s \"%s\": would be written, unchanged \"%s\""
                             : "  value %s%s \"%s\": written, unchanged \"%s\"",
                     RootName(key.root), key.path, name ? name : "", shown);
    } else {
        Count(&Tally::written);
        report::Note(preview ? "  value %s%s \"%s\": would be written \"%s\"" : "  value %s%s \"%s\": written \"%s\"",
                     RootName(key.root), key.path, name ? name : "", shown);
    }
    return rc;
}

LONG WriteString(const Key& key, const char* name, const char* text) {
    if (!text) return ERROR_INVALID_PARAMETER;
    return WriteValue(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(::lstrlenA(text)) + 1);
}

}  // namespace change
