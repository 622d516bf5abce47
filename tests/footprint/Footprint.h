// The suite's footprint on a machine, written down once: every key, value,
// file, folder, service and process that the suite installs, the user's own
// things beside them, and what a run writes itself; for each, where it lives,
// whose it is, which part of the run deals with it and how the run report
// names it. The seeding, the probe, the expected outcome of a run, the report
// checks and the demo's summary all read it from here.
//
// A new item of the suite is one more line in Footprint.cpp; a new way of
// taking items away is one more Step, decided in Outcome.cpp.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace footprint {

// Where the seeded scenarios live (all below C:\tolmtest\e2e).
constexpr char kRoot[] = "C:\\tolmtest\\e2e";
constexpr char kToolDir[] = "C:\\tolmtest\\e2e\\tool";
constexpr char kProcDir[] = "C:\\tolmtest\\e2e\\procs";
// Install folders: one the removal cleans by name, one it empties whole.
constexpr char kNamedDir[] = "C:\\tolmtest\\e2e\\Velkaris\\Internet Security";
constexpr char kFullClearingDir[] = "C:\\tolmtest\\e2e\\Velkaris\\ZRP2007";
// The product file that a running program holds open when a file is in use.
constexpr char kHeldFile[] = "TQMEngine.dll";

enum class Kind { Key, Value, File, Folder, Service, Process };

enum class Owner {
    Suite,  // installed by the suite
    User,   // the user's own, beside the suite's: no run touches it
    Run,    // written by the run itself
};

// How a person would group the items (the demo lists them so).
enum class Group {
    ProgramFolder, ProgramFiles, RegistryKeys, RegistryValues, Autostart, UninstallEntries, ServiceKeys, Services,
    Processes, ScriptEngines, InstallerRecords, DesktopShortcuts, MenuFolders, QuarantineFolder, RuleCopies, NextStart,
};

// The part of the run that deals with an item (Outcome.cpp decides what it does).
enum class Step {
    None,              // nothing the run does touches it
    ScriptEngines,     // deleted, or written back to the system's data ("restored")
    ProductKeys,       // the interactive run's product keys; the silent run leaves them
    UpdateKey,         // the update component's key, in every run
    DriverKeys,        // service keys deleted directly
    RunValues,         // autostart values
    Services,
    Processes,
    InstallerRecords,  // record files, record folders once empty, the Uninstall keys
    ProductFiles,      // product files by name at any depth; product subfolders once empty
    OtherFiles,        // other files in the program folder: gone only where it is emptied whole
    ProgramFolder,     // the install folder itself, once empty
    Shortcuts,         // a desktop shortcut, once its program is gone
    MenuFolders,       // a program-menu folder with all in it
    Quarantine,        // the quarantine folder's settings file
    RuleCopies,        // written on Vista before the program folder is cleaned
    FolderRestart,     // RunOnce "TQMUNLOAD", when the program folder stays
    RestartMarker,     // RunOnce "TQM7NEEDREBOOT"
    Companion,         // on Vista: RunOnce "UnloadReboot" and the shortcut to vista_i.exe
};

// The Windows family on which the run looks at an item at all.
enum class Reach { Always, Nt, Windows95Family };

struct Item {
    Kind kind = Kind::File;
    Owner owner = Owner::Suite;
    Group group = Group::ProgramFiles;
    Step step = Step::None;
    Reach reach = Reach::Always;
    HKEY root = nullptr;                // Key, Value
    std::string path;                   // key path; file or folder path; service or process name
    std::string value;                  // Value: its name ("" the default value)
    DWORD type = REG_NONE;              // Value: its type
    std::string data;                   // Value: its data (strings without their NUL); File: content
    std::string restored;               // a value the run writes back: the data it writes
    std::vector<std::string> contents;  // Folder: files laid down inside it (relative paths)
    std::string program;                // shortcut: the program whose removal lets it go
    std::string label;                  // as a person would name it
    std::string reportName;             // how the run report names it ("" never)

    // The item in messages: its root, path and value name, or its path or name.
    std::string Where() const;
    bool Inside(const std::string& folder) const;  // a file-system item below folder
};

// The footprint for one install folder ("" where the suite recorded none),
// with the shortcut and menu names the tool under test carries.
class Footprint {
public:
    explicit Footprint(const std::string& installDir);
    const std::vector<Item>& Items() const { return m_items; }
    const std::string& InstallDir() const { return m_installDir; }
    // The copy of the tool the runs use, in kToolDir.
    const std::string& Tool() const { return m_tool; }
    // Why the footprint is incomplete (a name the tool's texts lack), "" when whole.
    const std::string& Problem() const { return m_problem; }

private:
    std::string m_installDir, m_tool, m_problem;
    std::vector<Item> m_items;
};

}  // namespace footprint
