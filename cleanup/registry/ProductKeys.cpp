// The suite's product keys, Run values and installer records.
#include "ProductKeys.h"
#include "../../framework/AfxString.h"
#include "../../framework/Handles.h"
#include "../../sys/ShellCalls.h"
#include "../report/RunReport.h"

#include <cstring>

const char* const kProductSubkeys[] = {
    "QAScript",    "RealTimeScan", "MailScan",  "Quarantine", "Update", "Scheduler",
    "AntiSpyware", "WebTrap",      "Notify",    "Options",    "License", "",
};

namespace {

const char kProductKey[] = "SOFTWARE\\Velkaris\\antivirus";
const char kMakerKey[] = "SOFTWARE\\Velkaris";
const char kFirewallKey[] = "SOFTWARE\\Velkaris\\TqmPFW";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const REGSAM kChangeAccess = KEY_READ | KEY_WRITE;

LONG OpenForChange(HKEY root, const char* path, RegKey& key) {
    return ::RegOpenKeyExA(root, path, 0, kChangeAccess, key.Put());
}

// Deletes the key's values, always the first one, since each deletion moves the
// rest up. Stops at the first enumeration or deletion that fails; a value whose
// name does not fit the 260-byte buffer stays.
void ClearValues(HKEY key) {
    char name[260];
    for (;;) {
        DWORD size = sizeof(name);
        if (::RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return;
        if (report::Deleted(nullptr, "", name, ::RegDeleteValueA(key, name)) != ERROR_SUCCESS) return;
    }
}

}  // namespace

int DeleteProductKeys(HKEY root) {
    RegKey product;
    LONG rc = report::Opened(root, kProductKey, OpenForChange(root, kProductKey, product));
    if (rc == ERROR_FILE_NOT_FOUND) return 1;
    // Another failure goes on: what acts through the product key then does nothing.

    for (const char* const* name = kProductSubkeys; (*name)[0] != '\0'; ++name) {
        char path[260] = {};
        AfxFormat(path, sizeof(path), "%s\\%s", kProductKey, *name);
        RegKey subkey;
        if (report::Opened(root, path, OpenForChange(root, path, subkey)) != ERROR_SUCCESS) continue;
        ClearValues(subkey.Get());
        // On NT this removes only a subkey without subkeys of its own; the tree
        // deletion at the end takes the rest. Outcome not examined.
        if (product) report::Deleted(root, path, nullptr, ::RegDeleteKeyA(product.Get(), *name));
    }
    if (product) ClearValues(product.Get());
    product.Close();

    {
        RegKey maker;
        if (OpenForChange(root, kMakerKey, maker) != ERROR_SUCCESS) return 0;
        report::Deleted(root, kProductKey, nullptr, ::RegDeleteKeyA(maker.Get(), "antivirus"));  // outcome not examined
    }
    RegKey firewall;
    rc = OpenForChange(root, kFirewallKey, firewall);
    // Without the firewall part there is nothing of it to delete; a firewall key
    // that is there but cannot be opened is a failure.
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return 0;
    if (rc == ERROR_SUCCESS) {
        ClearValues(firewall.Get());
        firewall.Close();
        RegKey maker;
        if (OpenForChange(root, kMakerKey, maker) != ERROR_SUCCESS) return 0;
        report::Deleted(root, kFirewallKey, nullptr, ::RegDeleteKeyA(maker.Get(), "TqmPFW"));  // stays on NT when it has subkeys
    }
    report::Deleted(root, kProductKey, nullptr, DeleteKeyTree(root, kProductKey));  // whatever is left of it; outcome not examined
    return 1;
}

int DeleteUpdateKey(HKEY root) {
    report::Deleted(root, "SOFTWARE\\Velkaris\\antivirus\\Update", nullptr,
                    DeleteKeyTree(root, "SOFTWARE\\Velkaris\\antivirus\\Update"));  // missing is fine
    return 1;
}

int DeleteRunValues() {
    {
        RegKey machine;
        if (OpenForChange(HKEY_LOCAL_MACHINE, kRunKey, machine) != ERROR_SUCCESS) return 0;
        report::Deleted(HKEY_LOCAL_MACHINE, kRunKey, "TqmStart", ::RegDeleteValueA(machine.Get(), "TqmStart"));  // a missing value is no failure
    }
    RegKey user;
    if (OpenForChange(HKEY_CURRENT_USER, kRunKey, user) != ERROR_SUCCESS) return 0;
    report::Deleted(HKEY_CURRENT_USER, kRunKey, "TqmPFW", ::RegDeleteValueA(user.Get(), "TqmPFW"));
    return 1;
}

LONG DeleteRegistryTree(HKEY root, const char* keyPath) {
    // An empty path would name root itself.
    if (!keyPath || keyPath[0] == '\0') return 0;
    return report::Deleted(root, keyPath, nullptr, static_cast<LONG>(DeleteKeyTree(root, keyPath)));
}
