#include "E2eSupport.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

#include "../../framework/Handles.h"
#include "../shell/Catalogue.h"
#include "TestSupport.h"

namespace e2e {
namespace {

const char* const kCodes[3] = {"{2D7B94E5-C1A3-4F06-9B58-6E0D47F31C27}", "{9C3F0B71-46E2-4A18-B5D7-3E8F21C06A94}",
                               "{5A1E7C30-2B94-4D6F-8E21-07C3B9A4D512}"};
const char kKeepCode[] = "{TolmE2E-Keep}";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kServices[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char kState[] = "Software\\TolmE2E";  // HKCU: what Unseed must put back
const char* const kEngines[6] = {"{B54F3741-5B07-11CF-A4B0-00AA004A55E8}", "{B54F3743-5B07-11CF-A4B0-00AA004A55E8}",
                                 "{F414C260-6AC0-11CF-B6D1-00AA00BBBB58}", "{F414C262-6AC0-11CF-B6D1-00AA00BBBB58}",
                                 "{B54F3742-5B07-11CF-A4B0-00AA004A55E8}", "{F414C261-6AC0-11CF-B6D1-00AA00BBBB58}"};
const bool kEngineIsVb[6] = {true, true, false, false, true, false};
const char* const kResident[6] = {"TQMPFW.EXE", "TQMStart.EXE", "QMailMon.EXE", "QPFWSvc.EXE", "QWatch.EXE", "QWatch9x.EXE"};
const char* const kDecoys[2] = {"MyQWatch.EXE", "QWatchX.EXE"};
const char* const kSubkeys[] = {"QAScript", "RealTimeScan", "MailScan", "Quarantine", "Update", "Scheduler",
                                "AntiSpyware", "WebTrap", "Notify", "Options", "License"};
// The program folder's content: product files, loose files, rule folders, the user's file.
const char* const kFolderFiles[] = {"TQM32.EXE", "TQMPFW.EXE", "ZRPLnchr.EXE", "QATMain.EXE", "TQMEngine.dll",
                                    "TQMSig.vdb", "x.pth", "QA123456.DAT", "TQMUpd.tmp", "QAF\\AntiRule_Private.xml",
                                    "QMF\\QMailRule_Private.xml", "Rules\\QPFWRule.xml", "Log\\TQMHist.dat",
                                    "MyNotes.txt"};
const char* const kFolderDirs[] = {"QAF", "QMF", "Rules", "Log"};
const char* const kRuleCopies[] = {"QAF\\AntiRule_Private.xml", "QMF\\QMailRule_Private.xml", "Rules\\QPFWRule.xml"};
const char* const kInstallerFiles[] = {"data1.cab", "data1.hdr", "TQMSetup.exe", "layout.bin", "setup.ilg", "Setup.ini", "setup.inx"};
const int kShortcutIds[5] = {118, 119, 120, 126, 127};
const int kMenuIds[3] = {121, 128, 129};
const char kKeepShortcut[] = "TolmE2E Keep.lnk";
const char kKeepMenu[] = "TolmE2E Keep";

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    return ::SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? path : "";
}
std::string RecordRoot() {
    char sys[MAX_PATH] = {};
    ::GetSystemDirectoryA(sys, MAX_PATH);
    return std::string(sys, 3) + "Program Files\\InstallShield Installation Information";
}

void SetString(HKEY root, const std::string& key, const char* name, const std::string& value) {
    RegKey k;
    if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr) == 0)
        ::RegSetValueExA(k.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
}
bool GetString(HKEY root, const std::string& key, const char* name, std::string* value) {
    RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.Put()) != 0) return false;
    char buf[1024] = {};
    DWORD size = sizeof buf - 1, type = 0;
    if (::RegQueryValueExA(k.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != 0) return false;
    if (value) *value = buf;
    return true;
}
bool KeyExists(HKEY root, const std::string& key) {
    RegKey k;
    return ::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.Put()) == 0;
}
void DeleteValue(HKEY root, const std::string& key, const char* name) {
    RegKey k;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, k.Put()) == 0) ::RegDeleteValueA(k.Get(), name);
}

bool MakeFile(const std::string& path, const std::string& content = "e2e") {
    std::string dir = path.substr(0, path.rfind('\\'));
    ::SHCreateDirectoryExA(nullptr, dir.c_str(), nullptr);
    return tolmtest::WriteFile(path, content);
}
bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Deletes path and all below it; only inside the places the seed uses.
void DeleteTree(const std::string& path) {
    if (path.size() < 8) return;
    WIN32_FIND_DATAA fd;
    FindHandle find(::FindFirstFileA((path + "\\*").c_str(), &fd));
    if (find) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(child);
            } else {
                ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(child.c_str());
            }
        } while (::FindNextFileA(find.Get(), &fd));
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryA(path.c_str());
}

using tolmtest::ProcessesNamed;

void KillNamed(const char* name) {
    for (DWORD pid : ProcessesNamed(name)) {
        KernelHandle p(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (p) {
            ::TerminateProcess(p.Get(), 0);
            ::WaitForSingleObject(p.Get(), 2000);
        }
    }
}

bool ServiceExists(const char* name) {
    ServiceHandle scm(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!scm) return false;
    ServiceHandle svc(::OpenServiceA(scm.Get(), name, SERVICE_QUERY_STATUS));
    return svc.Valid();
}
void RemoveService(const char* name) {
    ServiceHandle scm(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!scm) return;
    {
        ServiceHandle svc(::OpenServiceA(scm.Get(), name, SERVICE_ALL_ACCESS));
        if (!svc) return;
        SERVICE_STATUS st = {};
        ::ControlService(svc.Get(), SERVICE_CONTROL_STOP, &st);
        ::DeleteService(svc.Get());
    }
    tolmtest::WaitUntil([&] { return !ServiceExists(name); }, 5000, 50);
}
bool InstallService(const char* name, std::string* why) {
    ServiceHandle scm(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!scm) { *why = "no service manager"; return false; }
    std::string bin = "\"" + tolmtest::BinDir() + "\\tests\\processes\\proc_testsvc.exe\" " + name + " quick";
    ServiceHandle svc(::CreateServiceA(scm.Get(), name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                       SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, bin.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr));
    if (!svc) { *why = std::string("CreateService ") + name + " failed " + std::to_string(::GetLastError()); return false; }
    if (!::StartServiceA(svc.Get(), 0, nullptr)) { *why = std::string("StartService ") + name + " failed"; return false; }
    bool running = tolmtest::WaitUntil([&] {
        SERVICE_STATUS st = {};
        return ::QueryServiceStatus(svc.Get(), &st) && st.dwCurrentState == SERVICE_RUNNING;
    }, 10000, 50);
    if (!running) *why = std::string(name) + " did not start";
    return running;
}

std::string EnginePath(int i) {
    char dir[MAX_PATH] = {};
    if (tolmtest::PrefixKind() == "win64")
        ::GetSystemWow64DirectoryA(dir, MAX_PATH);
    else
        ::GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + (kEngineIsVb[i] ? "\\VBScript.dll" : "\\JScript.dll");
}
std::string EngineKey(int i) { return std::string("CLSID\\") + kEngines[i] + "\\InprocServer32"; }

}  // namespace

std::string ToolString(const std::string& tool, int id) {
    HMODULE m = ::LoadLibraryExA(tool.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!m) return "";
    WCHAR* text = nullptr;
    int n = ::LoadStringW(m, id, reinterpret_cast<WCHAR*>(&text), 0);
    std::string out;
    if (n > 0) {
        char buf[1024] = {};
        int len = ::WideCharToMultiByte(CP_ACP, 0, text, n, buf, sizeof buf - 1, nullptr, nullptr);
        out.assign(buf, len > 0 ? len : 0);
    }
    ::FreeLibrary(m);
    return out;
}

std::string Msg(int id, const std::string& lang) {
    for (const auto& e : catalogue::kStrings) {
        if (e.id != id) continue;
        const char* t = lang == "zh" ? e.zh : e.ja;
        return t ? tolmtest::FromUtf8(t, ::GetACP()) : "";
    }
    return "";
}

std::string InstallToolCopy() {
    ::SHCreateDirectoryExA(nullptr, kToolDir, nullptr);
    std::string copy = std::string(kToolDir) + "\\TolmUnload.exe";
    return ::CopyFileA(tolmtest::ToolPath().c_str(), copy.c_str(), FALSE) ? copy : "";
}

Installation::Installation(const SeedOptions& options) : m_opt(options) {}

Installation::~Installation() {
    ReleaseHeldFile();
    for (HANDLE h : m_children) {
        ::TerminateProcess(h, 0);
        ::WaitForSingleObject(h, 2000);
        ::CloseHandle(h);
    }
    Unseed();
}

void Installation::ReleaseHeldFile() {
    if (m_held != INVALID_HANDLE_VALUE) ::CloseHandle(m_held);
    m_held = INVALID_HANDLE_VALUE;
}

bool Installation::Seed(std::string* why) {
    Unseed();
    ::SHCreateDirectoryExA(nullptr, kRoot, nullptr);
    const std::string& dir = m_opt.installDir;
    SetString(HKEY_CURRENT_USER, kState, "InstallDir", dir);
    SetString(HKEY_CURRENT_USER, kState, "VxD", KeyExists(HKEY_LOCAL_MACHINE, std::string(kServices) + "VxD") ? "1" : "0");
    SetString(HKEY_CURRENT_USER, kState, "Records", Exists(RecordRoot()) ? "1" : "0");

    // Keys under both roots; the install location only where the suite records it.
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const std::string product = "SOFTWARE\\Velkaris\\antivirus";
        SetString(root, product, "Version", "7.0");
        for (const char* sub : kSubkeys) SetString(root, product + "\\" + sub, "Setting", "1");
        SetString(root, product + "\\QAScript\\Nested", "Setting", "1");
        SetString(root, product + "\\Custom", "Setting", "1");  // not in the subkey table
        SetString(root, "SOFTWARE\\Velkaris\\TqmPFW", "Mode", "2");
        SetString(root, "SOFTWARE\\Velkaris\\KeepMe", "Mine", "1");
        SetString(root, kRun, "TolmE2EKeep", "keep.exe");
    }
    if (!dir.empty()) {
        SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velkaris\\antivirus", "ProgramPath", dir);
        SetString(HKEY_CURRENT_USER, "SOFTWARE\\Velkaris\\TqmPFW", "ProgramPath", dir);
        SetString(HKEY_CURRENT_USER, "SOFTWARE\\Velkaris\\antivirus\\Update", "Update Path", dir);
    }
    SetString(HKEY_LOCAL_MACHINE, kRun, "TqmStart", dir + "\\TQMStart.EXE");
    SetString(HKEY_CURRENT_USER, kRun, "TqmPFW", dir + "\\TQMPFW.EXE");
    for (const char* code : kCodes) SetString(HKEY_LOCAL_MACHINE, std::string(kUninstall) + code, "DisplayName", "ZRP2007");
    SetString(HKEY_LOCAL_MACHINE, std::string(kUninstall) + kKeepCode, "DisplayName", "keep");
    SetString(HKEY_LOCAL_MACHINE, std::string(kServices) + "QNetWch\\Enum", "Count", "0");
    SetString(HKEY_LOCAL_MACHINE, std::string(kServices) + "QWatch3", "ImagePath", "QWatch3.sys");
    SetString(HKEY_LOCAL_MACHINE, std::string(kServices) + "VxD\\Velkaris AntiVirus", "StaticVxD", "QWatch.vxd");

    // The script engines redirected to the suite, their own registration saved.
    for (int i = 0; i < 6; ++i) {
        std::string original = "*absent*";
        if (KeyExists(HKEY_CLASSES_ROOT, EngineKey(i)) && !GetString(HKEY_CLASSES_ROOT, EngineKey(i), "", &original))
            original = "*nodefault*";
        SetString(HKEY_CURRENT_USER, std::string(kState) + "\\Engines", kEngines[i], original);
        SetString(HKEY_CLASSES_ROOT, EngineKey(i), "", dir + "\\QScrEng.dll");
        SetString(HKEY_CLASSES_ROOT, EngineKey(i), "TQMOrigin", EnginePath(i));
    }

    // Files: the program folder, installer records, shortcuts, menus, QRECYCLE.
    if (!dir.empty()) {
        for (const char* f : kFolderFiles)
            if (!MakeFile(dir + "\\" + f)) { *why = std::string("cannot write ") + dir + "\\" + f; return false; }
        if (m_opt.holdFile) {
            std::string inUse = dir + "\\InUse.dat";
            MakeFile(inUse);
            m_held = ::CreateFileA(inUse.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        }
    }
    for (const char* code : kCodes)
        for (const char* f : kInstallerFiles) MakeFile(RecordRoot() + "\\" + code + "\\" + f);
    MakeFile(RecordRoot() + "\\" + kCodes[1] + "\\readme.txt");
    const std::string tool = tolmtest::ToolPath();
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
        std::string desk = SpecialFolder(csidl);
        for (int id : kShortcutIds) MakeFile(desk + "\\" + ToolString(tool, id), "[link]");
        MakeFile(desk + "\\" + kKeepShortcut, "[link]");
    }
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        std::string menu = SpecialFolder(csidl);
        for (int id : kMenuIds) {
            MakeFile(menu + "\\" + ToolString(tool, id) + "\\Start.lnk", "[link]");
            MakeFile(menu + "\\" + ToolString(tool, id) + "\\Tools\\Scan.lnk", "[link]");
        }
        MakeFile(menu + "\\" + kKeepMenu + "\\Mine.lnk", "[link]");
    }
    MakeFile("C:\\QRECYCLE\\Desktop.INI", "[.ShellClassInfo]");
    MakeFile("C:\\QRECYCLE\\keep.dat");

    // Resident programs (copies of a do-nothing helper) and the services.
    if (m_opt.processes) {
        ::SHCreateDirectoryExA(nullptr, kProcDir, nullptr);
        std::string sleeper = tolmtest::BinDir() + "\\tests\\processes\\proc_sleeper.exe";
        std::vector<const char*> names(kResident, kResident + 6);
        names.insert(names.end(), kDecoys, kDecoys + 2);
        for (const char* n : names) {
            std::string exe = std::string(kProcDir) + "\\" + n;
            if (!::CopyFileA(sleeper.c_str(), exe.c_str(), FALSE)) { *why = "cannot copy " + sleeper; return false; }
            STARTUPINFOA si = {};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi = {};
            std::string cmd = "\"" + exe + "\"";
            if (!::CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
                *why = "cannot start " + exe;
                return false;
            }
            ::CloseHandle(pi.hThread);
            m_children.push_back(pi.hProcess);
        }
        for (const char* n : names)
            if (!tolmtest::WaitUntil([&] { return !ProcessesNamed(n).empty(); }, 5000)) { *why = std::string(n) + " not seen"; return false; }
    }
    if (m_opt.services)
        for (const char* s : {"QWatchSvc", "QPfwSvc"})
            if (!InstallService(s, why)) return false;
    return true;
}

void Unseed() {
    for (const char* n : kResident) KillNamed(n);
    for (const char* n : kDecoys) KillNamed(n);
    RemoveService("QWatchSvc");
    RemoveService("QPfwSvc");

    std::string savedVxD = "0", savedRecords = "0", dir;
    GetString(HKEY_CURRENT_USER, kState, "VxD", &savedVxD);
    GetString(HKEY_CURRENT_USER, kState, "Records", &savedRecords);
    GetString(HKEY_CURRENT_USER, kState, "InstallDir", &dir);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        ::SHDeleteKeyA(root, "SOFTWARE\\Velkaris");
        DeleteValue(root, kRun, "TolmE2EKeep");
    }
    DeleteValue(HKEY_LOCAL_MACHINE, kRun, "TqmStart");
    DeleteValue(HKEY_CURRENT_USER, kRun, "TqmPFW");
    for (const char* v : {"TQMUNLOAD", "TQM7NEEDREBOOT", "UnloadReboot", "ZZTolmE2EDriver"})
        DeleteValue(HKEY_LOCAL_MACHINE, kRunOnce, v);
    for (const char* code : kCodes) ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + code).c_str());
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + kKeepCode).c_str());
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kServices) + "QNetWch").c_str());
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kServices) + "QWatch3").c_str());
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kServices) + "VxD\\Velkaris AntiVirus").c_str());
    if (savedVxD != "1") ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kServices) + "VxD").c_str());
    for (int i = 0; i < 6; ++i) {
        std::string original;
        if (!GetString(HKEY_CURRENT_USER, std::string(kState) + "\\Engines", kEngines[i], &original)) continue;
        if (original == "*absent*") {
            ::SHDeleteKeyA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kEngines[i]).c_str());
            continue;
        }
        if (original == "*nodefault*")
            DeleteValue(HKEY_CLASSES_ROOT, EngineKey(i), "");
        else
            SetString(HKEY_CLASSES_ROOT, EngineKey(i), "", original);
        DeleteValue(HKEY_CLASSES_ROOT, EngineKey(i), "TQMOrigin");
    }

    tolmtest::RemoveTestTree(kRoot);
    for (const char* code : kCodes) DeleteTree(RecordRoot() + "\\" + code);
    if (savedRecords != "1") ::RemoveDirectoryA(RecordRoot().c_str());
    const std::string tool = tolmtest::ToolPath();
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
        std::string desk = SpecialFolder(csidl);
        if (desk.empty()) continue;
        for (int id : kShortcutIds) ::DeleteFileA((desk + "\\" + ToolString(tool, id)).c_str());
        ::DeleteFileA((desk + "\\" + ToolString(tool, 132)).c_str());
        ::DeleteFileA((desk + "\\" + kKeepShortcut).c_str());
    }
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        std::string menu = SpecialFolder(csidl);
        if (menu.empty()) continue;
        for (int id : kMenuIds) {
            std::string name = ToolString(tool, id);
            if (!name.empty()) DeleteTree(menu + "\\" + name);
        }
        DeleteTree(menu + "\\" + kKeepMenu);
    }
    DeleteTree("C:\\QRECYCLE");
    ::SHDeleteKeyA(HKEY_CURRENT_USER, kState);
}

std::string RunOnceValue(const char* name) {
    std::string v;
    return GetString(HKEY_LOCAL_MACHINE, kRunOnce, name, &v) ? v : "<none>";
}

Probe ProbeMachine(const std::string& dir) {
    Probe p;
    for (const char* rootName : {"HKLM", "HKCU"}) {
        HKEY root = std::strcmp(rootName, "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        std::string r = std::string("reg:") + rootName + "\\";
        p[r + "antivirus"] = KeyExists(root, "SOFTWARE\\Velkaris\\antivirus");
        p[r + "antivirus\\Update"] = KeyExists(root, "SOFTWARE\\Velkaris\\antivirus\\Update");
        p[r + "antivirus\\Options"] = KeyExists(root, "SOFTWARE\\Velkaris\\antivirus\\Options");
        p[r + "TqmPFW"] = KeyExists(root, "SOFTWARE\\Velkaris\\TqmPFW");
        p[r + "KeepMe"] = KeyExists(root, "SOFTWARE\\Velkaris\\KeepMe");
        p[std::string("run:") + rootName + " keep"] = GetString(root, kRun, "TolmE2EKeep", nullptr);
    }
    p["reg:HKCU\\antivirus\\QAScript"] = KeyExists(HKEY_CURRENT_USER, "Software\\Velkaris\\Antivirus\\QAScript");
    p["run:HKLM TqmStart"] = GetString(HKEY_LOCAL_MACHINE, kRun, "TqmStart", nullptr);
    p["run:HKCU TqmPFW"] = GetString(HKEY_CURRENT_USER, kRun, "TqmPFW", nullptr);
    for (const char* code : kCodes) p[std::string("uninstall:") + code] = KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstall) + code);
    p["uninstall:keep"] = KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstall) + kKeepCode);
    p["svckey:QNetWch"] = KeyExists(HKEY_LOCAL_MACHINE, std::string(kServices) + "QNetWch");
    p["svckey:QWatch3"] = KeyExists(HKEY_LOCAL_MACHINE, std::string(kServices) + "QWatch3");
    p["svckey:VxD"] = KeyExists(HKEY_LOCAL_MACHINE, std::string(kServices) + "VxD\\Velkaris AntiVirus");
    p["service:QWatchSvc"] = ServiceExists("QWatchSvc");
    p["service:QPfwSvc"] = ServiceExists("QPfwSvc");
    for (int i = 0; i < 6; ++i) {
        std::string def;
        GetString(HKEY_CLASSES_ROOT, EngineKey(i), "", &def);
        p[std::string("engine:") + kEngines[i] + " TQMOrigin"] = GetString(HKEY_CLASSES_ROOT, EngineKey(i), "TQMOrigin", nullptr);
        p[std::string("engine:") + kEngines[i] + " system library"] = lstrcmpiA(def.c_str(), EnginePath(i).c_str()) == 0;
    }
    for (const char* n : kResident) p[std::string("proc:") + n] = !ProcessesNamed(n).empty();
    for (const char* n : kDecoys) p[std::string("proc:") + n] = !ProcessesNamed(n).empty();
    if (!dir.empty()) {
        p["dir:"] = Exists(dir);
        for (const char* f : kFolderFiles) p[std::string("file:") + f] = Exists(dir + "\\" + f);
        for (const char* d : kFolderDirs) p[std::string("dir:") + d] = Exists(dir + "\\" + d);
    }
    for (const char* f : kRuleCopies) p[std::string("copy:") + f] = Exists(std::string(kToolDir) + "\\" + f);
    for (const char* code : kCodes) p[std::string("record:") + code] = Exists(RecordRoot() + "\\" + code);
    p["record:readme.txt"] = Exists(RecordRoot() + "\\" + kCodes[1] + "\\readme.txt");
    const std::string tool = tolmtest::ToolPath();
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
        std::string desk = SpecialFolder(csidl), tag = csidl == CSIDL_DESKTOPDIRECTORY ? "desk:user:" : "desk:common:";
        for (int id : kShortcutIds) p[tag + std::to_string(id)] = Exists(desk + "\\" + ToolString(tool, id));
        p[tag + "keep"] = Exists(desk + "\\" + kKeepShortcut);
        p[tag + "132"] = Exists(desk + "\\" + ToolString(tool, 132));
    }
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        std::string menu = SpecialFolder(csidl), tag = csidl == CSIDL_PROGRAMS ? "menu:user:" : "menu:common:";
        for (int id : kMenuIds) p[tag + std::to_string(id)] = Exists(menu + "\\" + ToolString(tool, id));
        p[tag + "keep"] = Exists(menu + "\\" + kKeepMenu + "\\Mine.lnk");
    }
    p["qrecycle:Desktop.INI"] = Exists("C:\\QRECYCLE\\Desktop.INI");
    p["qrecycle:keep.dat"] = Exists("C:\\QRECYCLE\\keep.dat");
    return p;
}

std::string Differences(const Probe& have, const std::map<std::string, bool>& want) {
    std::string out;
    for (const auto& w : want) {
        auto it = have.find(w.first);
        if (it == have.end())
            out += "  " + w.first + ": not probed\n";
        else if (it->second != w.second)
            out += "  " + w.first + (it->second ? ": still there, should be gone\n" : ": gone, should be there\n");
    }
    return out;
}

// ---- the driver ----
namespace {

struct Found {
    DWORD pid;
    HWND main;
    std::vector<HWND> boxes;
};
BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != f->pid || tolmtest::ClassName(hwnd) != "#32770") return TRUE;
    if (::GetDlgItem(hwnd, 1000))
        f->main = hwnd;
    else if (::GetDlgItem(hwnd, 0xFFFF) && ::IsWindowVisible(hwnd))
        f->boxes.push_back(hwnd);
    return TRUE;
}
Found Look(DWORD pid) {
    Found f = {pid, nullptr, {}};
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&f));
    return f;
}
bool Responsive(HWND hwnd) {
    DWORD_PTR r = 0;
    return ::SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 300, &r) != 0;
}
int Progress(HWND main) {
    DWORD_PTR pos = 0;
    HWND bar = ::GetDlgItem(main, 1001);
    if (!bar || !::SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &pos)) return -1;
    return static_cast<int>(pos);
}
std::string LogText(HWND main) {
    HWND edit = ::GetDlgItem(main, 1002);
    if (!edit) return "";
    char buf[8192] = {};
    DWORD_PTR n = 0;
    if (!::SendMessageTimeoutA(edit, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 1000, &n)) return "";
    return std::string(buf, n);
}

}  // namespace

namespace {

DriveResult DriveChild(tolmtest::ChildProcess& child, bool pressRun, const Answerer& answer, DWORD timeoutMs,
                       const AtEnd& atEnd = nullptr);

}  // namespace

DriveResult Drive(const std::string& tool, const std::string& args, bool pressRun, const Answerer& answer,
                  DWORD timeoutMs, const AtEnd& atEnd) {
    tolmtest::ChildProcess child;
    std::string cmd = "\"" + tool + "\"" + (args.empty() ? "" : " " + args);
    if (!child.Start(cmd)) {
        DriveResult res;
        res.trouble = "cannot start " + cmd;
        return res;
    }
    return DriveChild(child, pressRun, answer, timeoutMs, atEnd);
}

DriveResult DriveRunning(DWORD pid, bool pressRun, const Answerer& answer, DWORD timeoutMs) {
    tolmtest::ChildProcess child;
    if (!child.Attach(pid)) {
        DriveResult res;
        res.trouble = "cannot open process " + std::to_string(pid);
        return res;
    }
    return DriveChild(child, pressRun, answer, timeoutMs);
}

namespace {

DriveResult DriveChild(tolmtest::ChildProcess& child, bool pressRun, const Answerer& answer, DWORD timeoutMs,
                       const AtEnd& atEnd) {
    DriveResult res;
    const DWORD start = ::GetTickCount();
    bool pressed = false, closing = false;
    HWND lastBox = nullptr;
    int idle = 0;
    while (::GetTickCount() - start < timeoutMs) {
        if (!child.Running()) break;
        Found f = Look(child.Pid());
        if (f.main) {
            res.mainSeen = true;
            HWND run = ::GetDlgItem(f.main, 1000);
            if (pressRun && !pressed && ::IsWindowVisible(f.main) && run) {
                ::PostMessageA(f.main, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED), reinterpret_cast<LPARAM>(run));
                pressed = true;
                ::Sleep(50);
                continue;
            }
        }
        if (!f.boxes.empty()) {
            idle = 0;
            HWND box = f.boxes.front();
            if (box == lastBox) { ::Sleep(30); continue; }  // answered, still closing
            Box b;
            b.text = tolmtest::WindowText(::GetDlgItem(box, 0xFFFF));
            b.caption = tolmtest::WindowText(box);
            for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
                HWND btn = ::GetDlgItem(box, id);
                if (btn && ::IsWindowVisible(btn)) b.buttons.push_back(id);
            }
            HWND icon = ::GetDlgItem(box, 0x0440);  // the box's icon control
            b.icon = icon && ::IsWindowVisible(icon) && ::SendMessageA(icon, STM_GETICON, 0, 0) != 0;
            HWND owner = ::GetWindow(box, GW_OWNER);
            b.noOwner = owner == nullptr;
            b.ownedByMain = owner && owner == f.main;
            b.ownerVisible = owner && ::IsWindowVisible(owner);
            if (f.main) {
                b.log = LogText(f.main);
                b.progress = Progress(f.main);
            }
            b.answer = answer(b);
            res.boxes.push_back(b);
            lastBox = box;
            ::PostMessageA(box, WM_COMMAND, b.answer, 0);
            if (res.boxes.size() > 12) { res.trouble = "too many message boxes"; break; }
            continue;
        }
        // The run blocks the window's thread except inside its message boxes:
        // a window that answers with no box open has finished its run.
        if (f.main && ::IsWindowVisible(f.main) && (pressed || !pressRun) && !closing && Responsive(f.main)) {
            if (++idle >= 3) {
                res.mainVisibleAtEnd = ::IsWindowVisible(f.main) != 0;
                ::GetWindowRect(f.main, &res.mainRect);
                res.finalLog = LogText(f.main);
                res.finalProgress = Progress(f.main);
                res.runEnabledAtEnd = ::IsWindowEnabled(::GetDlgItem(f.main, 1000)) != 0;
                if (atEnd) atEnd(f.main);
                ::PostMessageA(f.main, WM_COMMAND, IDCANCEL, 0);
                closing = true;
            }
        }
        ::Sleep(100);
    }
    res.exited = child.Wait(closing ? 10000 : 0, &res.exitCode);
    if (!res.exited) {
        if (res.trouble.empty()) res.trouble = "the tool did not end in time";
        child.Kill();
    }
    return res;
}

}  // namespace

}  // namespace e2e
