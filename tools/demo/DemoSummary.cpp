#include "DemoSummary.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "ReportText.h"

using footprint::Group;
using footprint::Item;
using footprint::Owner;

namespace demo {
namespace {

std::string Utf8(const std::string& ansi) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring w(n, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &w[0], n);
    const int m = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(m, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], m, nullptr, nullptr);
    out.resize(m > 0 ? m - 1 : 0);
    return out;
}

const char* GroupName(Group g) {
    switch (g) {
        case Group::ProgramFolder: return "program folder";
        case Group::ProgramFiles: return "program files";
        case Group::RegistryKeys: return "registry keys";
        case Group::RegistryValues: return "registry values";
        case Group::Autostart: return "autostart values";
        case Group::UninstallEntries: return "Uninstall entries";
        case Group::ServiceKeys: return "service keys";
        case Group::Services: return "services";
        case Group::Processes: return "processes";
        case Group::ScriptEngines: return "script engines";
        case Group::InstallerRecords: return "installer records";
        case Group::DesktopShortcuts: return "desktop shortcuts";
        case Group::MenuFolders: return "menu folders";
        case Group::QuarantineFolder: return "quarantine folder";
        case Group::RuleCopies: return "rule copies";
        case Group::NextStart: return "for the next start";
    }
    return "";
}
const Group kGroups[] = {Group::ProgramFolder,   Group::ProgramFiles,     Group::RegistryKeys,
                         Group::RegistryValues,  Group::Autostart,        Group::UninstallEntries,
                         Group::ServiceKeys,     Group::Services,         Group::Processes,
                         Group::ScriptEngines,   Group::InstallerRecords, Group::DesktopShortcuts,
                         Group::MenuFolders,     Group::QuarantineFolder, Group::RuleCopies,
                         Group::NextStart};

// Still as it was laid down (a value with its data), or as the run wrote it.
bool There(const Item& item, const footprint::State& s) { return s == footprint::AsLaidDown(item); }

// One line a group: its count and its first four names.
void SayGroups(const footprint::Footprint& fp, const footprint::Snapshot& snapshot, Owner owner) {
    const std::vector<Item>& items = fp.Items();
    for (Group g : kGroups) {
        std::vector<std::string> names;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].owner == owner && items[i].group == g && There(items[i], snapshot[i]))
                names.push_back(items[i].label);
        if (names.empty()) continue;
        std::string line = "  " + std::string(GroupName(g)) + " (" + std::to_string(names.size()) + "):";
        for (size_t n = 0; n < names.size(); ++n) {
            if (n == 4) {
                line += " ...";
                break;
            }
            line += (n ? ", " : " ") + names[n];
        }
        Say(line);
    }
}

}  // namespace

void Say(const std::string& ansi) {
    std::printf("%s\n", Utf8(ansi).c_str());
    std::fflush(stdout);
}

void SayIndented(const std::string& text, const char* indent) {
    for (const std::string& line : tolmtest::Lines(text))
        if (!line.empty()) Say(indent + line);
}

void SayInstalled(const footprint::Footprint& fp, const footprint::Snapshot& before) {
    Say("== Installed: the suite, as its installer left it ==");
    Say("  install folder: " + fp.InstallDir() + " (" + footprint::kHeldFile + " held open by a running program)");
    SayGroups(fp, before, Owner::Suite);
    Say("  and the user's own things beside it:");
    SayGroups(fp, before, Owner::User);
}

void SayLeft(const footprint::Footprint& fp, const footprint::Snapshot& before, const footprint::Snapshot& after) {
    Say("== What is left ==");
    SayGroups(fp, after, Owner::Suite);
    Say("  (on Windows 2000 and later the tool cleans the all users' desktop and Start menu;");
    Say("   this user's own shortcuts stay)");
    Say("  the user's own things, untouched:");
    SayGroups(fp, after, Owner::User);
    Say("");
    Say("== Summary ==");
    size_t installed = 0, removed = 0;
    for (size_t i = 0; i < fp.Items().size(); ++i) {
        const Item& item = fp.Items()[i];
        if (item.owner != Owner::Suite || !There(item, before[i])) continue;
        ++installed;
        removed += !There(item, after[i]);
    }
    Say("  removed or restored: " + std::to_string(removed) + " of the suite's " + std::to_string(installed) +
        " items listed above");
    Say("  written by the run:");
    for (size_t i = 0; i < fp.Items().size(); ++i) {
        const Item& item = fp.Items()[i];
        if (item.owner != Owner::Run || !after[i].present) continue;
        if (item.kind == footprint::Kind::Value)
            Say("    RunOnce \"" + item.value + "\" = " + (after[i].data.empty() ? "(empty)" : after[i].data));
        else
            Say("    " + std::string(GroupName(item.group)) + ": " + item.path);
    }
}

void SayKeptItems(const footprint::Footprint& fp, const footprint::Outcomes& outcomes) {
    Say("  kept, and why (from the report):");
    for (size_t i = 0; i < fp.Items().size(); ++i)
        if (outcomes[i] == footprint::Outcome::Left) Say("    " + fp.Items()[i].path);
}

}  // namespace demo
