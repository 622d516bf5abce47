// Registry helpers for the registry tests: making keys and values (also values
// the normal API cannot make), looking at them, and putting things back.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace regtest {

// Creates root\path (and its parents); true when it exists afterwards.
bool CreateKey(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0);
bool SetString(HKEY root, const std::string& path, const char* name, const std::string& text, DWORD type = REG_SZ);
bool SetDword(HKEY root, const std::string& path, const char* name, DWORD value);
// Writes raw bytes as the value's data, exactly (RegSetValueEx would add a NUL
// to a string); text is stored as UTF-16 without a terminator.
bool SetRawString(HKEY root, const std::string& path, const char* name, const std::string& text, DWORD type = REG_SZ);
bool ValueExists(HKEY root, const std::string& path, const char* name);
// The value's type and raw data as RegQueryValueExA gives them; false when absent.
bool ReadValue(HKEY root, const std::string& path, const char* name, DWORD* type, std::string* data);
std::vector<std::string> ValueNames(HKEY root, const std::string& path);
// The subkeys of root\\path as the registry spells them; none when it cannot be opened.
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path);
void DeleteTree(HKEY root, const std::string& path);

// Lets everyone only read root\path (and change its access back) until it goes;
// the key's previous access is restored then.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const std::string& path);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
    bool Ok() const { return m_ok; }

private:
    HKEY m_root;
    std::string m_path;
    std::vector<BYTE> m_saved;
    bool m_ok = false;
};

// All values of one key (no subkeys), saved now and put back when it goes; the
// key is made again if it was deleted meanwhile.
class KeySnapshot {
public:
    KeySnapshot(HKEY root, const std::string& path);
    ~KeySnapshot();
    KeySnapshot(const KeySnapshot&) = delete;
    KeySnapshot& operator=(const KeySnapshot&) = delete;
    bool Existed() const { return m_existed; }

private:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    HKEY m_root;
    std::string m_path;
    bool m_existed = false;
    std::vector<Value> m_values;
};

}  // namespace regtest
