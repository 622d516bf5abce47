// Which Windows the tool runs on: version queries through GetVersionExA.
#include "OsInfo.h"
#include "OsDescription.h"
#include "ShellCalls.h"
#include "../framework/Handles.h"

#include <cstring>

namespace {

// The extended record, zero-filled; false when the query fails.
bool QueryExtended(OSVERSIONINFOEXA& info) {
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
}

// The basic record in the first part of info, zero-filled; false when it fails.
bool QueryBasic(OSVERSIONINFOEXA& info) {
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
}

// The service-pack text, cut at the record's 128 characters.
void ServicePackText(const OSVERSIONINFOEXA& info, char (&text)[sizeof(info.szCSDVersion) + 1]) {
    std::memcpy(text, info.szCSDVersion, sizeof(info.szCSDVersion));
    text[sizeof(info.szCSDVersion)] = '\0';
}

}  // namespace

static_assert(sizeof(OSVERSIONINFOEXA) == 156, "extended version record");
static_assert(sizeof(OSVERSIONINFOA) == 148, "basic version record");

int IsWindowsNT() {
    OSVERSIONINFOEXA info;
    if (!QueryExtended(info) && !QueryBasic(info)) return 0;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

int IsWindowsVista() {
    OSVERSIONINFOEXA info;
    if (!QueryBasic(info)) return 0;
    return (info.dwMajorVersion == 6 && info.dwMinorVersion == 0) ? 1 : 0;
}

int IsWindowsVistaOrLater() {
    OSVERSIONINFOEXA info;
    if (!QueryBasic(info)) return 0;
    return (info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 6) ? 1 : 0;
}

int IsWow64() {
    OSVERSIONINFOEXA info;
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return 0;
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
    if (!(info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion >= 1))) return 0;

    // Looked up, never loaded: without the export the answer is simply no.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64Process = SystemFunctionAs<IsWow64ProcessFn>("kernel32.dll", "IsWow64Process");
    if (!isWow64Process) return 0;
    BOOL wow64 = FALSE;
    if (!isWow64Process(::GetCurrentProcess(), &wow64)) return 0;
    return wow64 ? 1 : 0;
}

bool ReadProductTypeFromRegistry(char* buffer, DWORD* length) {
    RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0,
                        KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return false;
    return ::RegQueryValueExA(key.Get(), "ProductType", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                              length) == ERROR_SUCCESS;
}

int DescribeOS(const OSVERSIONINFOEXA& info, bool extended, const ProductTypeReader& readProductType,
               CString& description) {
    const DWORD major = info.dwMajorVersion;
    const DWORD minor = info.dwMinorVersion;
    char servicePack[sizeof(info.szCSDVersion) + 1];
    ServicePackText(info, servicePack);

    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        description = "Microsoft Win32s\n";
        return 0;

    case VER_PLATFORM_WIN32_WINDOWS:
        if (major != 4) return 1;
        if (minor == 0) {
            description = "Microsoft Windows 95 ";
            if (servicePack[1] == 'C' || servicePack[1] == 'B') description += "OSR2 ";
            return 0;
        }
        if (minor == 10) {
            description = "Microsoft Windows 98 ";
            if (servicePack[1] == 'A') description += "SE ";
            return 1;
        }
        if (minor == 90) {
            description = "Microsoft Windows Millennium Edition\n";
            return 1;
        }
        return 1;

    case VER_PLATFORM_WIN32_NT:
        break;

    default:
        return 1;
    }

    // NT: the family name replaces the text; what follows is appended.
    if (major == 5 && minor == 2) {
        description = "Microsoft Windows Server 2003 family ";
    } else if (major == 5 && minor == 1) {
        description = "Microsoft Windows XP ";
    } else if (major == 5 && minor == 0) {
        description = "Microsoft Windows 2000 ";
    } else if (major <= 4) {
        description = "Microsoft Windows NT ";
        return 0;
    }

    CString scratch;
    if (extended) {
        const WORD mask = info.wSuiteMask;
        if (info.wProductType == VER_NT_WORKSTATION) {
            description += (mask & VER_SUITE_PERSONAL) ? "Home Edition " : "Professional ";
        } else if (info.wProductType == VER_NT_SERVER) {
            if (major == 5 && minor == 2) {
                if (mask & VER_SUITE_DATACENTER) description += "Datacenter Edition ";
                else if (mask & VER_SUITE_ENTERPRISE) description += "Enterprise Edition ";
                else if (mask == VER_SUITE_BLADE) description += "Web Edition ";
                else description += "Standard Edition ";
            } else if (major == 5 && minor == 0) {
                if (mask & VER_SUITE_DATACENTER) description += "Datacenter Server ";
                else if (mask & VER_SUITE_ENTERPRISE) description += "Advanced Server ";
                else description += "Server ";
            } else {
                if (mask & VER_SUITE_ENTERPRISE) description += "Server 4.0, Enterprise Edition ";
                else description += "Server 4.0 ";
            }
            return 0;
        }
    } else {
        // One byte beyond the 80 read keeps a value stored without its NUL terminated.
        char productType[81] = {};
        DWORD length = 80;
        if (!readProductType || !readProductType(productType, &length) || length > 80) return 0;
        productType[length] = '\0';
        if (::lstrcmpiA("WINNT", productType) == 0) description += "Workstation ";
        if (::lstrcmpiA("LANMANNT", productType) == 0) description += "Server ";
        if (::lstrcmpiA("SERVERNT", productType) == 0) description += "Advanced Server ";
        scratch.Format("%d.%d ", static_cast<int>(major), static_cast<int>(minor));
        description += scratch;
    }

    scratch.Format("%s (Build %d)\n", servicePack, static_cast<int>(info.dwBuildNumber & 0xFFFF));
    description += scratch;
    return 1;
}

int GetOSDescription(CString& description) {
    OSVERSIONINFOEXA info;
    bool extended = true;
    if (!QueryExtended(info)) {
        extended = false;
        if (!QueryBasic(info)) return 0;
    }
    return DescribeOS(info, extended, ReadProductTypeFromRegistry, description);
}
