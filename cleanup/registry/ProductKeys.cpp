// The suite's product keys, Run values and installer records.
#include "ProductKeys.h"
#include "../../framework/Absent.h"
#include "../change/RegistryChanges.h"
#include "../report/RunReport.h"


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

LONG OpenForChange(HKEY root, const char* path, RegKeyHolder& key) {
    return change::OpenKey(root, path, kChangeAccess, key);
}

// Deletes the key's values, always the first one, since each deletion moves the
// rest up. Stops at the first enumeration or deletion that fails; a value whose
// name does not fit the 260-byte buffer stays.
void ClearValues(const RegKeyHolder& key) {
    char name[260];
    for (;;) {
        DWORD size = sizeof(name);
        if (change::EnumValueName(key, 0, name, &size) != ERROR_SUCCESS) return;
        if (change::DeleteValue(key, name) != ERROR_SUCCESS) return;
    }
}

}  // namespace

int DeleteProductKeys(HKEY root) {
    RegKeyHolder product;
    LONG rc = report::Opened(root, kProductKey, OpenForChange(root, kProductKey, product));
    if (IsAbsent(static_cast<DWORD>(rc))) return 1;
    // Another failure goes on: what acts through the product key then does nothing.

    for (const char* const* name = kProductSubkeys; (*name)[0] != '\0'; ++name) {
        char path[260] = {};
        wsprintfA(path, "%s\\%.200s", kProductKey, *name);
        RegKeyHolder subkey;
        if (report::Opened(root, path, OpenForChange(root, path, subkey)) != ERROR_SUCCESS) continue;
        ClearValues(subkey);
        // On NT this removes only a subkey without subkeys of its own; the tree
        // deletion at the end takes the rest. Outcome not examined.
        if (product) change::DeleteSubkey(product, *name);
    }
    if (product) ClearValues(product);
    product.Close();

    {
        RegKeyHolder maker;
        if (OpenForChange(root, kMakerKey, maker) != ERROR_SUCCESS) return 0;
        change::DeleteSubkey(maker, "antivirus");  // outcome not examined
    }
    RegKeyHolder firewall;
    rc = OpenForChange(root, kFirewallKey, firewall);
    // Without the firewall part there is nothing of it to delete; a firewall key
    // that is there but cannot be opened is a failure.
    if (rc != ERROR_SUCCESS && !IsAbsent(static_cast<DWORD>(rc))) return 0;
    if (rc == ERROR_SUCCESS) {
        ClearValues(firewall);
        firewall.Close();
        RegKeyHolder maker;
        if (OpenForChange(root, kMakerKey, maker) != ERROR_SUCCESS) return 0;
        change::DeleteSubkey(maker, "TqmPFW");  // stays on NT when it has subkeys
    }
    change::DeleteTree(root, kProductKey);  // whatever is left of it; outcome not examined
    return 1;
}

int DeleteUpdateKey(HKEY root) {
    change::DeleteTree(root, "SOFTWARE\\Velkaris\\antivirus\\Update");  // missing is fine
    return 1;
}

namespace {

// Deletes root's Run value name. A Run key that is not there (a new profile,
// the system account's) holds no value of the suite: nothing to do.
bool DeleteRunValue(HKEY root, const char* name) {
    RegKeyHolder run;
    const LONG rc = OpenForChange(root, kRunKey, run);
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    change::DeleteValue(run, name);  // a missing value is no failure
    return true;
}

}  // namespace

int DeleteRunValues() {
    if (!DeleteRunValue(HKEY_LOCAL_MACHINE, "TqmStart")) return 0;
    return DeleteRunValue(HKEY_CURRENT_USER, "TqmPFW") ? 1 : 0;
}

LONG DeleteRegistryTree(HKEY root, const char* keyPath) {
    // An empty path would name root itself.
    if (!keyPath || keyPath[0] == '\0') return 0;
    return change::DeleteTree(root, keyPath);
}
