#include "RegTestSupport.h"
#include "Handles.h"

#include <shlwapi.h>
#include <winternl.h>

namespace regtest {

bool CreateKey(HKEY root, const std::string& path) {
    RegKey key;
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) ==
           ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const std::string& path, REGSAM view) {
    RegKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS;
}

namespace {
bool SetBytes(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    RegKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}
}  // namespace

bool SetString(HKEY root, const std::string& path, const char* name, const std::string& text, DWORD type) {
    return SetBytes(root, path, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool SetDword(HKEY root, const std::string& path, const char* name, DWORD value) {
    return SetBytes(root, path, name, REG_DWORD, &value, sizeof(value));
}

bool SetRawString(HKEY root, const std::string& path, const char* name, const std::string& text, DWORD type) {
    using NtSetValueKeyFn = LONG(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
    auto ntSetValueKey = reinterpret_cast<NtSetValueKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetValueKey")));
    if (!ntSetValueKey) return false;
    RegKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    std::wstring wname;
    for (const char* p = name; *p; ++p) wname += static_cast<wchar_t>(*p);
    std::wstring wtext;
    for (char c : text) wtext += static_cast<wchar_t>(static_cast<unsigned char>(c));
    UNICODE_STRING us;
    us.Buffer = &wname[0];
    us.Length = static_cast<USHORT>(wname.size() * sizeof(wchar_t));
    us.MaximumLength = us.Length;
    return ntSetValueKey(key.Get(), &us, 0, type, wtext.empty() ? nullptr : &wtext[0],
                         static_cast<ULONG>(wtext.size() * sizeof(wchar_t))) == 0;
}

bool ValueExists(HKEY root, const std::string& path, const char* name) {
    RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return false;
    return RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool ReadValue(HKEY root, const std::string& path, const char* name, DWORD* type, std::string* data) {
    RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
    std::string buf(size + 2, '\0');
    DWORD got = size + 2;
    if (RegQueryValueExA(key.Get(), name, nullptr, type, reinterpret_cast<BYTE*>(&buf[0]), &got) != ERROR_SUCCESS)
        return false;
    buf.resize(got);
    *data = buf;
    return true;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD size = sizeof(name);
        if (RegEnumValueA(key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return names;
    char name[260];
    for (DWORD i = 0, size = sizeof name; !RegEnumKeyExA(key.Get(), i, name, &size, 0, 0, 0, 0); ++i, size = sizeof name)
        names.push_back(name);
    return names;
}

void DeleteTree(HKEY root, const std::string& path) {
    SHDeleteKeyA(root, path.c_str());
}

ReadOnlyKey::ReadOnlyKey(HKEY root, const std::string& path) : m_root(root), m_path(path) {
    RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL | WRITE_DAC, key.Put()) != ERROR_SUCCESS) return;
    DWORD size = 0;
    RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    m_saved.resize(size ? size : 1);
    if (RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, m_saved.data(), &size) != ERROR_SUCCESS) return;

    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    alignas(DWORD) BYTE aclBuffer[256];
    PACL acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return;
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | WRITE_DAC, everyone);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    m_ok = RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
    FreeSid(everyone);
}

ReadOnlyKey::~ReadOnlyKey() {
    if (!m_ok) return;
    RegKey key;
    if (RegOpenKeyExA(m_root, m_path.c_str(), 0, WRITE_DAC, key.Put()) == ERROR_SUCCESS)
        RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, m_saved.data());
}

KeySnapshot::KeySnapshot(HKEY root, const std::string& path) : m_root(root), m_path(path) {
    RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return;
    m_existed = true;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nameSize = sizeof(name);
        BYTE data[4096];
        DWORD dataSize = sizeof(data);
        DWORD type = 0;
        if (RegEnumValueA(key.Get(), i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        m_values.push_back({name, type, std::vector<BYTE>(data, data + dataSize)});
    }
}

KeySnapshot::~KeySnapshot() {
    if (!m_existed) {
        DeleteTree(m_root, m_path);
        return;
    }
    RegKey key;
    if (RegCreateKeyExA(m_root, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const std::string& name : ValueNames(m_root, m_path)) RegDeleteValueA(key.Get(), name.c_str());
    for (const Value& v : m_values)
        RegSetValueExA(key.Get(), v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
}

}  // namespace regtest
