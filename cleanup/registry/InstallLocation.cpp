// The three places in which the suite records its program folder.
#include "InstallLocation.h"
#include "RegKeyHolder.h"

namespace {

// Reads value of root\keyPath as the install directory. The key is opened for
// writing too, so a key the user may read but not change counts as missing.
int ReadPathValue(HKEY root, const char* keyPath, const char* value, char* buffer) {
    if (!buffer) return 0;
    RegKeyHolder holder;
    if (change::OpenKey(root, keyPath, KEY_READ | KEY_WRITE, holder) != ERROR_SUCCESS) return 0;
    DWORD capacity = kInstallPathCapacity;
    int found = (ReadRegString(holder, value, buffer, &capacity) == ERROR_SUCCESS && buffer[0] != '\0') ? 1 : 0;
    // "C:/Apps/ZRP2007" names the same folder as "C:\Apps\ZRP2007"; every step
    // after this one reads only backslashes as separators.
    if (found) {
        for (char* p = buffer; *p; ++p) {
            if (*p == '/') *p = '\\';
            else if (::IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) ++p;
        }
    }
    return found;
}

}  // namespace

int ReadAntivirusProgramPath(char* buffer, HKEY root) {
    return ReadPathValue(root, "SOFTWARE\\Velkaris\\antivirus", "ProgramPath", buffer);
}

int ReadFirewallProgramPath(char* buffer) {
    return ReadPathValue(HKEY_CURRENT_USER, "Software\\Velkaris\\TqmPFW", "ProgramPath", buffer);
}

int ReadUpdatePath(char* buffer) {
    return ReadPathValue(HKEY_CURRENT_USER, "Software\\Velkaris\\AntiVirus\\Update", "Update Path", buffer);
}
