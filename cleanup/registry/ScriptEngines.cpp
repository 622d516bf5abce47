// Restoring the script engines' class registrations.
#include "ScriptEngines.h"
#include "../../framework/Absent.h"
#include "../../framework/Handles.h"
#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../change/RegistryChanges.h"
#include "../report/RunReport.h"

#include <cstring>

// Written as the suite writes them; registry names ignore case ("11Cf").
const char* const kScriptEngineClasses[6] = {
    "{B54F3741-5B07-11CF-A4B0-00AA004A55E8}", "{B54F3743-5B07-11CF-A4B0-00AA004A55E8}",
    "{F414C260-6AC0-11CF-B6D1-00AA00BBBB58}", "{F414C262-6AC0-11CF-B6D1-00AA00BBBB58}",
    "{B54F3742-5B07-11Cf-A4B0-00AA004A55E8}", "{F414C261-6AC0-11Cf-B6D1-00AA00BBBB58}",
};

namespace {

// The library that serves classId, or null for a class not in the table.
const char* EngineLibrary(const char* classId) {
    static const char* const kLibraries[6] = {"\\VBScript.dll", "\\VBScript.dll", "\\JScript.dll",
                                              "\\JScript.dll",  "\\VBScript.dll", "\\JScript.dll"};
    for (int i = 0; i < 6; ++i)
        if (::lstrcmpiA(classId, kScriptEngineClasses[i]) == 0) return kLibraries[i];
    return nullptr;
}

// The directory the engines are served from into path (260 bytes); false when
// it cannot be had or would not fit.
bool EngineDirectory(char (&path)[260]) {
    UINT length = 0;
    if (IsWow64() == 1) {
        // A 32-bit process on 64-bit Windows sees the 32-bit registrations, served
        // from the Wow64 system directory.
        using GetWow64DirFn = UINT(WINAPI*)(LPSTR, UINT);
        auto getWow64Dir = SystemFunctionAs<GetWow64DirFn>("kernel32.dll", "GetSystemWow64DirectoryA");
        if (!getWow64Dir) return false;
        length = getWow64Dir(path, sizeof(path));
    } else {
        length = ::GetSystemDirectoryA(path, sizeof(path));
    }
    // 0 is failure; a length of the buffer or more means it did not fit.
    return length > 0 && length < sizeof(path);
}

}  // namespace

HRESULT RestoreScriptEngineClass(const char* classId) {
    const char* library = classId ? EngineLibrary(classId) : nullptr;
    if (!library) return E_FAIL;

    char path[260] = {};
    if (!EngineDirectory(path)) return E_FAIL;
    const size_t dirLength = std::strlen(path);
    if (dirLength + std::strlen(library) >= sizeof(path)) return E_FAIL;
    std::memcpy(path + dirLength, library, std::strlen(library) + 1);
    const DWORD pathLength = static_cast<DWORD>(std::strlen(path));

    char keyPath[260];
    AfxFormat(keyPath, sizeof(keyPath), "CLSID\\%s\\InprocServer32", classId);

    RegKeyHolder engine;
    if (report::Opened(HKEY_CLASSES_ROOT, keyPath,
                       change::OpenKey(HKEY_CLASSES_ROOT, keyPath, KEY_ALL_ACCESS, engine)) != ERROR_SUCCESS)
        return E_FAIL;

    // The current values only decide whether to go on; their contents are not used.
    char current[260];
    DWORD size = sizeof(current);
    if (::RegQueryValueExA(engine.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(current), &size) !=
        ERROR_SUCCESS)
        return E_FAIL;
    char origin[260];
    size = sizeof(origin);
    LONG rc = ::RegQueryValueExA(engine.Get(), "TQMOrigin", nullptr, nullptr, reinterpret_cast<BYTE*>(origin), &size);
    if (rc != ERROR_SUCCESS && !IsAbsent(static_cast<DWORD>(rc))) return E_FAIL;

    if (change::WriteValue(engine, nullptr, REG_SZ, reinterpret_cast<const BYTE*>(path), pathLength + 1) !=
        ERROR_SUCCESS)
        return E_FAIL;
    change::DeleteValue(engine, "TQMOrigin");  // may not exist; outcome not examined
    return S_OK;
}

HRESULT RestoreScriptEngines() {
    bool failed = false;
    for (const char* classId : kScriptEngineClasses)
        if (FAILED(RestoreScriptEngineClass(classId))) { failed = true; report::Note("  class %s: not restored", classId); }
    if (failed) return E_FAIL;
    // On NT this keeps a key that still has subkeys; outcome not examined.
    change::DeleteKey(HKEY_CURRENT_USER, "Software\\Velkaris\\Antivirus\\QAScript");
    return S_OK;
}
