// The catalogue itself: the suite as its installer leaves a machine, the
// user's own things beside it, and what a run writes.
#include "Footprint.h"

#include <shlobj.h>

#include "../../res/resource.h"
#include "Places.h"
#include "TestSupport.h"
#include "ToolTexts.h"

namespace footprint {
namespace {

const char kMaker[] = "SOFTWARE\\Velkaris";
const char kProduct[] = "SOFTWARE\\Velkaris\\antivirus";
const char kFirewall[] = "SOFTWARE\\Velkaris\\TqmPFW";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kServiceKeys[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char* const kProductCodes[] = {"{2D7B94E5-C1A3-4F06-9B58-6E0D47F31C27}", "{9C3F0B71-46E2-4A18-B5D7-3E8F21C06A94}",
                                     "{5A1E7C30-2B94-4D6F-8E21-07C3B9A4D512}"};
const char* const kProductSubkeys[] = {"QAScript", "RealTimeScan", "MailScan", "Quarantine", "Update", "Scheduler",
                                       "AntiSpyware", "WebTrap", "Notify", "Options", "License"};
struct Engine {
    const char* classId;
    const char* library;
};
const Engine kEngines[] = {
    {"{B54F3741-5B07-11CF-A4B0-00AA004A55E8}", "VBScript.dll"}, {"{B54F3743-5B07-11CF-A4B0-00AA004A55E8}", "VBScript.dll"},
    {"{F414C260-6AC0-11CF-B6D1-00AA00BBBB58}", "JScript.dll"},  {"{F414C262-6AC0-11CF-B6D1-00AA00BBBB58}", "JScript.dll"},
    {"{B54F3742-5B07-11CF-A4B0-00AA004A55E8}", "VBScript.dll"}, {"{F414C261-6AC0-11CF-B6D1-00AA00BBBB58}", "JScript.dll"},
};
const char* const kResidentPrograms[] = {"TQMPFW.EXE", "TQMStart.EXE", "QMailMon.EXE", "QPFWSvc.EXE", "QWatch.EXE",
                                         "QWatch9x.EXE"};
const char* const kInstallerFiles[] = {"data1.cab", "data1.hdr", "TQMSetup.exe", "layout.bin",
                                       "setup.ilg", "Setup.ini", "setup.inx"};
// The program folder: product files, loose files the suite's names match,
// rule folders, and files of no product name (one of them the user's).
const char* const kProgramFolders[] = {"QAF", "QMF", "Rules", "Log"};
const char* const kProductFiles[] = {"TQM32.EXE", "TQMPFW.EXE", "ZRPLnchr.EXE", "TQMEngine.dll", "TQMSig.vdb",
                                     "x.pth", "QA123456.DAT", "TQMUpd.tmp", "QAF\\AntiRule_Private.xml",
                                     "QMF\\QMailRule_Private.xml", "Rules\\QPFWRule.xml", "Log\\TQMHist.dat"};
const char* const kRuleFiles[] = {"QAF\\AntiRule_Private.xml", "QMF\\QMailRule_Private.xml", "Rules\\QPFWRule.xml"};
struct Shortcut {
    int name;
    const char* program;
};
const Shortcut kShortcuts[] = {{IDS_SHORTCUT_ANTIVIRUS, "TQM32.EXE"}, {IDS_SHORTCUT_FIREWALL, "TQMPFW.EXE"},
                               {IDS_SHORTCUT_ANTISPY, "QATMain.EXE"}, {IDS_SHORTCUT_SECURITY, "ZRPLnchr.EXE"},
                               {IDS_SHORTCUT_SECURITY_2006P, "ZRPLnchr.EXE"}};
const int kMenus[] = {IDS_MENU_SECURITY_2006, IDS_MENU_SECURITY_2006P, IDS_MENU_SECURITY};

std::string RootName(HKEY root) {
    return root == HKEY_LOCAL_MACHINE ? "HKLM\\" : root == HKEY_CURRENT_USER ? "HKCU\\" : "HKCR\\";
}
std::string KeyName(HKEY root, const std::string& path) { return "key " + RootName(root) + path; }
std::string ValueName(HKEY root, const std::string& path, const std::string& value) {
    return "value " + RootName(root) + path + " \"" + value + "\"";
}
std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); }

// Adds items; every item starts from the group, owner and step set last.
class Catalogue {
public:
    Catalogue(std::vector<Item>& items, std::string& problem) : m_items(items), m_problem(problem) {}
    Catalogue& Set(Owner owner, Group group, Step step, Reach reach = Reach::Always) {
        m_owner = owner, m_group = group, m_step = step, m_reach = reach;
        return *this;
    }
    Item& Add(Kind kind, const std::string& path, const std::string& label, const std::string& reportName) {
        Item item;
        item.kind = kind, item.owner = m_owner, item.group = m_group, item.step = m_step, item.reach = m_reach;
        item.path = path, item.label = label, item.reportName = reportName;
        m_items.push_back(item);
        return m_items.back();
    }
    // A key; reported as the key whose deletion takes it.
    Item& Key(HKEY root, const std::string& path, const std::string& takenWith) {
        Item& k = Add(Kind::Key, path, RootName(root) + path, takenWith.empty() ? "" : KeyName(root, takenWith));
        k.root = root;
        return k;
    }
    // A value; reported with its key's deletion (takenWith), or on its own ("").
    Item& Value(HKEY root, const std::string& key, const std::string& name, DWORD type, const std::string& data,
                const char* takenWith = "") {
        Item& v = Add(Kind::Value, key, RootName(root) + key + " \"" + name + "\"",
                      *takenWith ? KeyName(root, takenWith) : ValueName(root, key, name));
        v.root = root, v.value = name, v.type = type, v.data = data;
        return v;
    }
    Item& File(const std::string& path, const std::string& label, const char* reportedAs = "file ") {
        return Add(Kind::File, path, label, reportedAs + path);
    }
    Item& Folder(const std::string& path, const std::string& label, std::vector<std::string> contents = {}) {
        Item& f = Add(Kind::Folder, path, label, "folder " + path);
        f.contents = std::move(contents);
        return f;
    }
    // A name the tool's string table gives; a missing one leaves the footprint incomplete.
    std::string Text(int id) {
        std::string text = tooldriver::ToolString(tolmtest::ToolPath(), id);
        if (text.empty()) m_problem += "the tool has no string " + std::to_string(id) + "; ";
        return text;
    }

private:
    std::vector<Item>& m_items;
    std::string& m_problem;
    Owner m_owner = Owner::Suite;
    Group m_group = Group::ProgramFiles;
    Step m_step = Step::None;
    Reach m_reach = Reach::Always;
};

void ProductKeys(Catalogue& c, HKEY root, const std::string& dir) {
    const std::string product = kProduct;
    c.Set(Owner::Suite, Group::RegistryKeys, Step::None).Key(root, kMaker, "");  // the maker's key stays
    c.Set(Owner::Suite, Group::RegistryKeys, Step::ProductKeys).Key(root, product, product);
    c.Set(Owner::Suite, Group::RegistryValues, Step::ProductKeys);
    c.Value(root, product, "Version", REG_SZ, "7.0", kProduct);
    c.Value(root, product, "InstallDate", REG_DWORD, Dword(0x45A1B2C3), kProduct);
    if (root == HKEY_LOCAL_MACHINE && !dir.empty()) c.Value(root, product, "ProgramPath", REG_SZ, dir, kProduct);
    for (const char* name : kProductSubkeys) {
        const std::string sub = product + "\\" + name;
        const bool update = std::string(name) == "Update";
        // QAScript has a subkey of its own: only the tree deletion of the product key takes it.
        const std::string takenWith = std::string(name) == "QAScript" ? product : sub;
        c.Set(Owner::Suite, Group::RegistryKeys, update ? Step::UpdateKey : Step::ProductKeys).Key(root, sub, takenWith);
        c.Set(Owner::Suite, Group::RegistryValues, update ? Step::UpdateKey : Step::ProductKeys);
        c.Value(root, sub, "Setting", REG_SZ, "1", takenWith.c_str());
        if (update && root == HKEY_CURRENT_USER && !dir.empty())
            c.Value(root, sub, "Update Path", REG_SZ, dir, takenWith.c_str());
        if (std::string(name) == "Options") c.Value(root, sub, "Flags", REG_BINARY, std::string("\x01\x00\xFF", 3), sub.c_str());
        if (std::string(name) == "Notify")
            c.Value(root, sub, "Recipients", REG_MULTI_SZ, std::string("admin\0user", 10), sub.c_str());
    }
    // A subkey of QAScript, and one the product's table does not name: both go with the tree.
    for (const char* sub : {"\\QAScript\\Nested", "\\Custom"}) {
        c.Set(Owner::Suite, Group::RegistryKeys, Step::ProductKeys).Key(root, product + sub, product);
        c.Set(Owner::Suite, Group::RegistryValues, Step::ProductKeys).Value(root, product + sub, "Setting", REG_SZ, "1", kProduct);
    }
    c.Set(Owner::Suite, Group::RegistryKeys, Step::ProductKeys).Key(root, kFirewall, kFirewall);
    c.Set(Owner::Suite, Group::RegistryValues, Step::ProductKeys);
    c.Value(root, kFirewall, "Mode", REG_SZ, "2", kFirewall);
    c.Value(root, kFirewall, "LogFolder", REG_EXPAND_SZ, "%ProgramFiles%\\Velkaris\\Log", kFirewall);
    if (root == HKEY_CURRENT_USER && !dir.empty()) c.Value(root, kFirewall, "ProgramPath", REG_SZ, dir, kFirewall);

    const std::string mine = std::string(kMaker) + "\\KeepMe";
    c.Set(Owner::User, Group::RegistryKeys, Step::None).Key(root, mine, "");
    c.Set(Owner::User, Group::RegistryValues, Step::None).Value(root, mine, "Mine", REG_SZ, "1");
    c.Set(Owner::User, Group::Autostart, Step::None).Value(root, kRun, "TolmE2EKeep", REG_SZ, "keep.exe").label =
        RootName(root) + "Run \"TolmE2EKeep\"";
}

void Registry(Catalogue& c, const std::string& dir) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) ProductKeys(c, root, dir);
    c.Set(Owner::Suite, Group::Autostart, Step::RunValues);
    c.Value(HKEY_LOCAL_MACHINE, kRun, "TqmStart", REG_SZ, dir + "\\TQMStart.EXE").label = "HKLM\\Run \"TqmStart\"";
    c.Value(HKEY_CURRENT_USER, kRun, "TqmPFW", REG_SZ, dir + "\\TQMPFW.EXE").label = "HKCU\\Run \"TqmPFW\"";
    for (const char* code : kProductCodes) {
        const std::string key = kUninstall + std::string(code);
        c.Set(Owner::Suite, Group::UninstallEntries, Step::InstallerRecords).Key(HKEY_LOCAL_MACHINE, key, key).label = code;
        c.Value(HKEY_LOCAL_MACHINE, key, "DisplayName", REG_SZ, "ZRP2007", key.c_str()).label =
            std::string(code) + " \"DisplayName\"";
    }
    const std::string keep = kUninstall + std::string("{TolmE2E-Keep}");
    c.Set(Owner::User, Group::UninstallEntries, Step::None).Key(HKEY_LOCAL_MACHINE, keep, "").label = "{TolmE2E-Keep}";
    c.Value(HKEY_LOCAL_MACHINE, keep, "DisplayName", REG_SZ, "keep").label = "{TolmE2E-Keep} \"DisplayName\"";

    struct ServiceKey {
        const char* name;
        const char* value;
        const char* data;
        Reach reach;
    };
    const ServiceKey keys[] = {{"QNetWch", "Start", "3", Reach::Nt},
                               {"QNetWch\\Enum", "Count", "0", Reach::Nt},
                               {"QWatch3", "ImagePath", "system32\\drivers\\QWatch3.sys", Reach::Nt},
                               {"VxD\\Velkaris AntiVirus", "StaticVxD", "QWatch.vxd", Reach::Windows95Family}};
    for (const ServiceKey& k : keys) {
        const std::string path = kServiceKeys + std::string(k.name);
        const std::string top = std::string(k.name).rfind("QNetWch", 0) == 0 ? kServiceKeys + std::string("QNetWch") : path;
        c.Set(Owner::Suite, Group::ServiceKeys, Step::DriverKeys, k.reach).Key(HKEY_LOCAL_MACHINE, path, top).label = k.name;
        c.Value(HKEY_LOCAL_MACHINE, path, k.value, REG_SZ, k.data, top.c_str()).label =
            std::string(k.name) + " \"" + k.value + "\"";
    }

    // The script engines, redirected to the suite's filter with their own library kept aside.
    c.Set(Owner::Suite, Group::ScriptEngines, Step::ScriptEngines);
    for (const Engine& e : kEngines) {
        const std::string key = std::string("CLSID\\") + e.classId + "\\InprocServer32";
        Item& server = c.Value(HKEY_CLASSES_ROOT, key, "", REG_SZ, dir + "\\QScrEng.dll");
        server.restored = EngineLibrary(e.library);
        server.label = std::string(e.classId) + " (default)";
        c.Value(HKEY_CLASSES_ROOT, key, "TQMOrigin", REG_SZ, EngineLibrary(e.library)).label =
            std::string(e.classId) + " \"TQMOrigin\"";
    }
}

void RunningParts(Catalogue& c) {
    c.Set(Owner::Suite, Group::Services, Step::Services, Reach::Nt);
    for (const char* name : {"QWatchSvc", "QPfwSvc"}) c.Add(Kind::Service, name, name, std::string("service ") + name);
    c.Set(Owner::Suite, Group::Processes, Step::Processes);
    for (const char* name : kResidentPrograms) c.Add(Kind::Process, name, name, std::string("process ") + name);
    // The user's programs whose names only look like the suite's.
    c.Set(Owner::User, Group::Processes, Step::None);
    for (const char* name : {"MyQWatch.EXE", "QWatchX.EXE"}) c.Add(Kind::Process, name, name, "");
}

void ProgramFolder(Catalogue& c, const std::string& dir) {
    if (dir.empty()) return;
    c.Set(Owner::Suite, Group::ProgramFolder, Step::ProgramFolder).Folder(dir, "the folder itself");
    c.Set(Owner::Suite, Group::ProgramFolder, Step::ProductFiles);
    for (const char* name : kProgramFolders) c.Folder(dir + "\\" + name, name);
    c.Set(Owner::Suite, Group::ProgramFiles, Step::ProductFiles);
    for (const char* name : kProductFiles) c.File(dir + "\\" + name, name);
    // No product name: the removal by name keeps it, and with it its shortcut.
    c.Set(Owner::Suite, Group::ProgramFiles, Step::OtherFiles).File(dir + "\\QATMain.EXE", "QATMain.EXE");
    c.Set(Owner::User, Group::ProgramFiles, Step::OtherFiles).File(dir + "\\MyNotes.txt", "MyNotes.txt");
}

void ShellFolders(Catalogue& c, const std::string& dir) {
    const std::string records = RecordRoot();
    for (const char* code : kProductCodes) {
        c.Set(Owner::Suite, Group::InstallerRecords, Step::InstallerRecords).Folder(records + "\\" + code, code);
        for (const char* name : kInstallerFiles)
            c.File(records + "\\" + code + "\\" + name, std::string(code) + "\\" + name);
    }
    // A file of someone else's in one record folder: that folder stays.
    c.Set(Owner::User, Group::InstallerRecords, Step::None)
        .File(records + "\\" + kProductCodes[1] + "\\readme.txt", "readme.txt");

    struct Side {
        int desktop, programs;
        const char* label;
        Reach reach;  // where the run cleans this side's folders
    };
    const Side sides[] = {{CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS, "all users: ", Reach::Nt},
                          {CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS, "this user: ", Reach::Windows95Family}};
    for (const Side& side : sides) {
        const std::string desktop = SpecialFolder(side.desktop), programs = SpecialFolder(side.programs);
        for (const Shortcut& s : kShortcuts) {
            const std::string name = c.Text(s.name);
            c.Set(Owner::Suite, Group::DesktopShortcuts, Step::Shortcuts, side.reach)
                .File(desktop + "\\" + name, side.label + name).program = dir + "\\" + s.program;
        }
        c.Set(Owner::User, Group::DesktopShortcuts, Step::None).File(desktop + "\\TolmE2E Keep.lnk", std::string(side.label) + "(the user's own)");
        for (int id : kMenus) {
            const std::string name = c.Text(id);
            c.Set(Owner::Suite, Group::MenuFolders, Step::MenuFolders, side.reach)
                .Folder(programs + "\\" + name, side.label + name, {"Start.lnk", "Tools\\Scan.lnk"});
        }
        c.Set(Owner::User, Group::MenuFolders, Step::None).Folder(programs + "\\TolmE2E Keep", std::string(side.label) + "(the user's own)", {"Mine.lnk"});
        const std::string companion = c.Text(IDS_VISTA_SHORTCUT);
        c.Set(Owner::Run, Group::NextStart, Step::Companion, side.reach)
            .File(desktop + "\\" + companion, side.label + companion, "shortcut ");
    }

    const std::string quarantine = SystemDriveRoot() + "QRECYCLE";
    c.Set(Owner::Suite, Group::QuarantineFolder, Step::None).Folder(quarantine, "the folder itself");  // only its settings go
    c.Set(Owner::Suite, Group::QuarantineFolder, Step::Quarantine).File(quarantine + "\\Desktop.INI", "Desktop.INI").data =
        "[.ShellClassInfo]";
    c.Set(Owner::User, Group::QuarantineFolder, Step::None).File(quarantine + "\\keep.dat", "keep.dat");
}

void WrittenByTheRun(Catalogue& c, const std::string& dir, const std::string& tool) {
    c.Set(Owner::Run, Group::RuleCopies, Step::RuleCopies);
    for (const char* name : kRuleFiles) {
        const std::string copy = std::string(kToolDir) + "\\" + name;
        c.Add(Kind::File, copy, name, "copied " + dir + "\\" + name + " to " + copy);
    }
    c.Set(Owner::Run, Group::NextStart, Step::FolderRestart)
        .Value(HKEY_LOCAL_MACHINE, kRunOnce, "TQMUNLOAD", REG_SZ, "\"" + tool + "\" " + dir + "\\");
    c.Set(Owner::Run, Group::NextStart, Step::RestartMarker).Value(HKEY_LOCAL_MACHINE, kRunOnce, "TQM7NEEDREBOOT", REG_SZ, "");
    c.Set(Owner::Run, Group::NextStart, Step::Companion)
        .Value(HKEY_LOCAL_MACHINE, kRunOnce, "UnloadReboot", REG_SZ, "\"" + std::string(kToolDir) + "\\vista_i.exe\"");
}

}  // namespace

std::string Item::Where() const {
    if (kind == Kind::Value) return RootName(root) + path + " \"" + value + "\"";
    if (kind == Kind::Key) return RootName(root) + path;
    return path;
}

bool Item::Inside(const std::string& folder) const {
    if (kind != Kind::File && kind != Kind::Folder) return false;
    return path.size() > folder.size() + 1 && path[folder.size()] == '\\' &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), static_cast<int>(folder.size()),
                            folder.c_str(), static_cast<int>(folder.size())) == CSTR_EQUAL;
}

Footprint::Footprint(const std::string& installDir)
    : m_installDir(installDir), m_tool(std::string(kToolDir) + "\\TolmUnload.exe") {
    Catalogue c(m_items, m_problem);
    Registry(c, installDir);
    RunningParts(c);
    ProgramFolder(c, installDir);
    ShellFolders(c, installDir);
    WrittenByTheRun(c, installDir, m_tool);
}

}  // namespace footprint
