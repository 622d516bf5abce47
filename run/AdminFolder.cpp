#include "AdminFolder.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

#include "../cleanup/change/ChangeSession.h"
#include "../cleanup/change/FileChanges.h"
#include "../cleanup/paths/PathText.h"
#include "../cleanup/report/RunReport.h"
#include "../framework/Handles.h"
#include "../sys/OsInfo.h"
#include "../sys/ShellCalls.h"

namespace adminfolder {

namespace {

// S-1-5-18 (SYSTEM), S-1-5-32-544 (Administrators), S-1-5-80-... (TrustedInstaller), S-1-3-0 (creator owner).
const BYTE kSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const BYTE kAdministrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
const BYTE kTrustedInstaller[] = {1, 6, 0, 0, 0, 0, 0, 5, 80, 0, 0, 0, 0xB5, 0x89, 0xFB, 0x38, 0x19, 0x84, 0xC2, 0xCB,
                                  0x5C, 0x6C, 0x23, 0x6D, 0x57, 0x00, 0x77, 0x6E, 0xC0, 0x02, 0x64, 0x87};
const BYTE kCreatorOwner[] = {1, 1, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0};

// Rights that change a folder or what it holds: write, append (add file or
// folder), extended attributes, delete child, attributes, delete, DACL, owner,
// generic all and write.
const DWORD kChangeRights = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;

// Administrators and SYSTEM full control, everyone read and execute, protected.
const char kFolderSddl[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)";

DWORD ReadDword(const BYTE* p) { DWORD v; std::memcpy(&v, p, 4); return v; }
WORD ReadWord(const BYTE* p) { WORD v; std::memcpy(&v, p, 2); return v; }

// The length of the SID at p within end, or 0 when it does not fit.
DWORD SidLength(const BYTE* p, const BYTE* end) {
    if (end - p < 8) return 0;
    const DWORD n = 8 + 4u * p[1];
    return static_cast<DWORD>(end - p) >= n ? n : 0;
}

bool SameSid(const BYTE* sid, DWORD length, const BYTE* known, DWORD knownLength) {
    return length == knownLength && std::memcmp(sid, known, length) == 0;
}

bool IsAdministrators(const BYTE* sid, DWORD length, const BYTE* userSid) {
    return SameSid(sid, length, kSystem, sizeof kSystem) ||
           SameSid(sid, length, kAdministrators, sizeof kAdministrators) ||
           SameSid(sid, length, kTrustedInstaller, sizeof kTrustedInstaller) ||
           (userSid && SameSid(sid, length, userSid, 8 + 4u * userSid[1]));
}

struct Found {
    std::string path;
    std::string why;
};

std::string Text(const char* format, const char* a = "", DWORD n = 0) {
    char text[400];
    wsprintfA(text, format, a, n);
    return text;
}

// The folder's owner and access list as a self-relative descriptor.
bool ReadSecurity(const char* folder, std::vector<BYTE>& sd) {
    typedef BOOL(WINAPI * Fn)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
    static const Fn get = SystemFunctionAs<Fn>("advapi32.dll", "GetFileSecurityA");
    if (!get) return false;
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    get(folder, what, nullptr, 0, &needed);
    if (needed == 0 || needed > 65536) return false;
    sd.resize(needed);
    return get(folder, what, sd.data(), needed, &needed) != 0;
}

// Makes folder with the protected access list; ERROR_ALREADY_EXISTS when it is there.
BOOL MakeProtectedFolder(const char* folder) {
    typedef BOOL(WINAPI * Convert)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    typedef HLOCAL(WINAPI * Free)(HLOCAL);
    static const Convert convert =
        SystemFunctionAs<Convert>("advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    static const Free localFree = SystemFunctionAs<Free>("kernel32.dll", "LocalFree");
    PSECURITY_DESCRIPTOR sd = nullptr;
    // Without the owner when the token cannot give the folder to Administrators.
    for (const char* sddl : {kFolderSddl, kFolderSddl + 4}) {
        if (!convert || !localFree || !convert(sddl, 1 /* SDDL_REVISION_1 */, &sd, nullptr)) {
            ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
            return FALSE;
        }
        SECURITY_ATTRIBUTES sa;
        sa.nLength = sizeof sa;
        sa.lpSecurityDescriptor = sd;
        sa.bInheritHandle = FALSE;
        const BOOL made = ::CreateDirectoryA(folder, &sa);
        const DWORD e = ::GetLastError();
        localFree(sd);
        ::SetLastError(e);
        if (made || e != ERROR_INVALID_OWNER) return made;
    }
    return FALSE;
}

Found Decide() {
    Found f;
    if (!IsWindowsNT()) {
        f.why = "the Windows 95 family has no accounts";
        return f;
    }
    char base[MAX_PATH] = {};
    char folder[MAX_PATH];
    if (!GetSpecialFolderPath(nullptr, base, CSIDL_COMMON_APPDATA, FALSE) || !*base ||
        !pathtext::BuildPath(folder, sizeof folder, base, pathtext::EndsWithBackslash(base) ? "" : "\\", "TolmUnload")) {
        f.why = "the all users' application data folder is unknown";
        return f;
    }
    bool made = false;
    if (::GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) {
        if (change::Previewing()) {
            report::Note("Administrators' folder: %s would be made", folder);
            f.path = folder;
            return f;
        }
        if (!MakeProtectedFolder(folder)) {
            f.why = Text("%s could not be made (error %lu)", folder, ::GetLastError());
            return f;
        }
        made = true;
    }
    if (IsAdministratorsOnly(folder, &f.why)) {
        f.path = folder;
        if (made) report::Note("Administrators' folder: %s made", folder);
    } else if (made) {
        ::RemoveDirectoryA(folder);  // the system did not keep its protection: not left behind
    }
    return f;
}

bool SameContent(const char* a, const char* b) {
    FileHandle fa(::CreateFileA(a, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    FileHandle fb(::CreateFileA(b, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                IsWindowsNT() ? FILE_FLAG_OPEN_REPARSE_POINT : 0, nullptr));
    if (!fa || !fb || ::GetFileSize(fa.Get(), nullptr) != ::GetFileSize(fb.Get(), nullptr)) return false;
    char x[16384], y[16384];
    for (;;) {
        DWORD nx = 0, ny = 0;
        if (!::ReadFile(fa.Get(), x, sizeof x, &nx, nullptr) || !::ReadFile(fb.Get(), y, sizeof y, &ny, nullptr) ||
            nx != ny || std::memcmp(x, y, nx) != 0)
            return false;
        if (nx == 0) return true;
    }
}

}  // namespace

bool OnlyAdministratorsChange(const BYTE* sd, DWORD size, const BYTE* userSid) {
    if (!sd || size < 20 || !(ReadWord(sd + 2) & 0x8000 /* SE_SELF_RELATIVE */)) return false;
    const BYTE* end = sd + size;
    const DWORD ownerAt = ReadDword(sd + 4), daclAt = ReadDword(sd + 16);
    if (ownerAt == 0 || ownerAt >= size) return false;
    const DWORD ownerLength = SidLength(sd + ownerAt, end);
    if (!ownerLength || !IsAdministrators(sd + ownerAt, ownerLength, userSid)) return false;
    // No access list at all lets everyone do everything.
    if (!(ReadWord(sd + 2) & SE_DACL_PRESENT) || daclAt == 0 || daclAt + 8 > size) return false;
    const BYTE* acl = sd + daclAt;
    const BYTE* aclEnd = acl + ReadWord(acl + 2);
    if (aclEnd > end) return false;
    const BYTE* ace = acl + 8;
    for (WORD i = 0, count = ReadWord(acl + 4); i < count; ++i) {
        if (aclEnd - ace < 8) return false;
        const BYTE type = ace[0];
        const WORD aceSize = ReadWord(ace + 2);
        if (aceSize < 8 || aceSize > aclEnd - ace) return false;
        if (type == ACCESS_ALLOWED_ACE_TYPE) {
            const DWORD length = SidLength(ace + 8, ace + aceSize);
            if (!length) return false;
            const bool creator = SameSid(ace + 8, length, kCreatorOwner, sizeof kCreatorOwner);
            if ((ReadDword(ace + 4) & kChangeRights) && !creator && !IsAdministrators(ace + 8, length, userSid))
                return false;
        } else if (type == 5 || type == 9 || type == 11) {
            return false;  // allowing entries of other forms are not judged: refused
        }
        ace += aceSize;
    }
    return true;
}

std::string UserCountsAsAdministrator() {
    typedef BOOL(WINAPI * Info)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    static const Info info = SystemFunctionAs<Info>("advapi32.dll", "GetTokenInformation");
    KernelHandle token;
    if (!info || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) return "";
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (::GetVersionExA(&version) && version.dwMajorVersion >= 6) {
        DWORD type = 0, n = 0;  // TokenElevationType: 1 no limited twin
        if (!info(token.Get(), static_cast<TOKEN_INFORMATION_CLASS>(18), &type, sizeof type, &n) || type != 1) return "";
    }
    BYTE groups[4096], user[256];
    DWORD n = 0;
    if (!info(token.Get(), TokenGroups, groups, sizeof groups, &n) || !info(token.Get(), TokenUser, user, sizeof user, &n))
        return "";
    const TOKEN_GROUPS* g = reinterpret_cast<const TOKEN_GROUPS*>(groups);
    for (DWORD i = 0; i < g->GroupCount; ++i) {
        const BYTE* sid = static_cast<const BYTE*>(g->Groups[i].Sid);
        if ((g->Groups[i].Attributes & SE_GROUP_ENABLED) && SameSid(sid, 8 + 4u * sid[1], kAdministrators,
                                                                     sizeof kAdministrators)) {
            const BYTE* own = static_cast<const BYTE*>(reinterpret_cast<const TOKEN_USER*>(user)->User.Sid);
            return std::string(reinterpret_cast<const char*>(own), 8 + 4u * own[1]);
        }
    }
    return "";
}

bool IsAdministratorsOnly(const char* folder, std::string* why) {
    std::string reason;
    const DWORD attrs = folder ? ::GetFileAttributesA(folder) : INVALID_FILE_ATTRIBUTES;
    std::vector<BYTE> sd;
    const std::string user = UserCountsAsAdministrator();
    if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY))
        reason = Text("%s is no folder", folder ? folder : "");
    else if (attrs & FILE_ATTRIBUTE_REPARSE_POINT)
        reason = Text("%s is a link", folder);
    else if (!ReadSecurity(folder, sd))
        reason = Text("the security of %s cannot be read (error %lu)", folder, ::GetLastError());
    else if (!OnlyAdministratorsChange(sd.data(), static_cast<DWORD>(sd.size()),
                                       user.empty() ? nullptr : reinterpret_cast<const BYTE*>(user.data())))
        reason = Text("%s may be changed by others than administrators", folder);
    if (why) *why = reason;
    return reason.empty();
}

const std::string& Path(std::string* why) {
    static const Found found = Decide();
    if (why) *why = found.why;
    return found.path;
}

bool HoldsDirectly(const char* path) {
    const std::string& folder = Path();
    const char* last = path ? pathtext::LastBackslash(path) : nullptr;
    return !folder.empty() && last && pathtext::EqualNoCase(std::string(path, last - path).c_str(), folder.c_str());
}

std::string PlaceCopy(const char* source, std::string* why) {
    std::string reason;
    const std::string& folder = Path(&reason);
    const char* last = source ? pathtext::LastBackslash(source) : nullptr;
    std::string copy;
    if (!folder.empty() && last) {
        copy = folder + last;
        if (HoldsDirectly(source)) return source;  // already there
        if (!change::Previewing() && SameContent(source, copy.c_str()))
            report::Note("  %s: an identical copy is there", copy.c_str());
        else if (!change::CopyToFile(source, copy.c_str()))
            reason = "the copy could not be written";
        else if (!change::Previewing() && !SameContent(source, copy.c_str()))
            reason = "the copy does not read back the same";
    } else if (!last) {
        reason = "no file";
    }
    if (why) *why = reason;
    return reason.empty() ? copy : "";
}

}  // namespace adminfolder
