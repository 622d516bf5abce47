#include "Outcome.h"

#include "Seeding.h"

namespace footprint {
namespace {

bool SameText(const std::string& a, const char* b) { return ::lstrcmpiA(a.c_str(), b) == 0; }

// Whether the run reaches the steps that remove, and which way it goes.
struct RunFacts {
    bool removes;       // the steps after the questions run
    bool fileStep;      // the program folder's files are dealt with
    bool nt, vista;
    bool fullClearing;  // the install folder is emptied whole (ZRP2006, ZRP2007)
    bool scheduled;     // the restart marker is written
    bool secondStart;   // the tool registers itself for the folder that stays
    bool companion;     // Vista's companion is prepared
};

RunFacts Facts(const Footprint& footprint, const Scenario& s) {
    RunFacts f = {};
    const bool folder = !footprint.InstallDir().empty();
    f.removes = s.ending == Ending::Complete || s.ending == Ending::NoToFileQuestion;
    f.fileStep = f.removes && folder && s.ending != Ending::NoToFileQuestion;
    f.nt = s.windows != Windows::Windows95Family;
    f.vista = s.windows == Windows::Vista;
    const std::string& dir = footprint.InstallDir();
    const std::string last = dir.substr(dir.rfind('\\') + 1);
    f.fullClearing = SameText(last, "ZRP2006") || SameText(last, "ZRP2007");
    // The silent run leaves the deferred removal to Vista's companion.
    f.scheduled = f.fileStep && (!f.vista || s.run == RunKind::Interactive);
    // A second start only for a suite file still in use, and on the NT family
    // only from a folder only administrators can change: under the versions
    // these runs are given (Wine's default and vista) Wine has none.
    f.secondStart = f.scheduled && s.installed.fileInUse && !f.nt;
    // The tool's folder holds no vista_i.exe: no companion value, no shortcut.
    f.companion = false;
    return f;
}

bool InReach(Reach reach, bool nt) {
    return reach == Reach::Always || (reach == Reach::Nt) == nt;
}

class Decider {
public:
    Decider(const Footprint& footprint, const Scenario& scenario)
        : m_items(footprint.Items()), m_scenario(scenario), m_facts(Facts(footprint, scenario)),
          m_held(footprint.InstallDir() + "\\" + kHeldFile), m_outcomes(m_items.size(), Outcome::NotThere),
          m_decided(m_items.size(), false) {}

    Outcomes All() {
        for (size_t i = 0; i < m_items.size(); ++i) Of(i);
        // The folder restart goes with the program folder that stays.
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i].step == Step::FolderRestart && m_outcomes[i] == Outcome::Written && !ProgramFolderStays())
                m_outcomes[i] = Outcome::NotThere;
        return m_outcomes;
    }

private:
    Outcome Of(size_t i) {
        if (!m_decided[i]) {
            m_outcomes[i] = Decide(m_items[i]);
            m_decided[i] = true;
        }
        return m_outcomes[i];
    }

    Outcome Decide(const Item& item) {
        const RunFacts& f = m_facts;
        if (item.owner == Owner::Run) return Written(item, f);
        if (!LaidDown(item, m_scenario.installed)) return Outcome::NotThere;
        if (!InReach(item.reach, f.nt)) return Outcome::Untouched;
        const bool held = m_scenario.installed.fileInUse && SameText(item.path, m_held.c_str());
        switch (item.step) {
            case Step::ScriptEngines:
                return !f.removes ? Outcome::Untouched : item.restored.empty() ? Outcome::Removed : Outcome::Restored;
            case Step::ProductKeys:
                return f.removes && m_scenario.run == RunKind::Interactive ? Outcome::Removed : Outcome::Untouched;
            case Step::UpdateKey:
            case Step::DriverKeys:
            case Step::RunValues:
            case Step::Services:
            case Step::Processes: return f.removes ? Outcome::Removed : Outcome::Untouched;
            case Step::InstallerRecords:
                if (!f.removes) return Outcome::Untouched;
                return item.kind == Kind::Folder ? Emptied(item) : Outcome::Removed;
            case Step::ProductFiles:
                if (!f.fileStep) return Outcome::Untouched;
                if (item.kind == Kind::Folder) return Emptied(item);
                return held ? Outcome::Left : Outcome::Removed;
            case Step::OtherFiles:
                if (!f.fileStep) return Outcome::Untouched;
                return f.fullClearing && !held ? Outcome::Removed : Outcome::Left;
            case Step::ProgramFolder: return f.fileStep ? Emptied(item) : Outcome::Untouched;
            case Step::Shortcuts:
                if (!f.fileStep) return Outcome::Untouched;
                return Gone(IndexOf(item.program)) ? Outcome::Removed : Outcome::Left;
            case Step::MenuFolders:
            case Step::Quarantine: return f.fileStep ? Outcome::Removed : Outcome::Untouched;
            default: return Outcome::Untouched;
        }
    }

    Outcome Written(const Item& item, const RunFacts& f) {
        if (!InReach(item.reach, f.nt)) return Outcome::NotThere;
        bool written = false;
        if (item.step == Step::RuleCopies) written = f.fileStep && f.vista;
        if (item.step == Step::FolderRestart) written = f.secondStart;
        if (item.step == Step::RestartMarker) written = f.scheduled;
        if (item.step == Step::Companion) written = f.companion;
        return written ? Outcome::Written : Outcome::NotThere;
    }

    // A folder the run removes goes once nothing laid down inside it stays.
    Outcome Emptied(const Item& folder) {
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i].owner != Owner::Run && m_items[i].Inside(folder.path) && Of(i) != Outcome::Removed &&
                Of(i) != Outcome::NotThere)
                return Outcome::Left;
        return Outcome::Removed;
    }

    bool Gone(size_t i) { return i < m_items.size() && Of(i) == Outcome::Removed; }

    bool ProgramFolderStays() {
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i].step == Step::ProgramFolder) return Of(i) == Outcome::Left;
        return false;
    }

    size_t IndexOf(const std::string& path) {
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i].kind == Kind::File && SameText(m_items[i].path, path.c_str())) return i;
        return m_items.size();
    }

    const std::vector<Item>& m_items;
    const Scenario& m_scenario;
    const RunFacts m_facts;
    const std::string m_held;
    Outcomes m_outcomes;
    std::vector<bool> m_decided;
};

}  // namespace

Outcomes Expect(const Footprint& footprint, const Scenario& scenario) { return Decider(footprint, scenario).All(); }

Outcomes Seeded(const Footprint& footprint, const Installed& installed) {
    Outcomes outcomes;
    for (const Item& item : footprint.Items())
        outcomes.push_back(LaidDown(item, installed) ? Outcome::Untouched : Outcome::NotThere);
    return outcomes;
}

Snapshot StateAfter(const Footprint& footprint, const Outcomes& outcomes) {
    Snapshot want;
    for (size_t i = 0; i < footprint.Items().size(); ++i) {
        const Item& item = footprint.Items()[i];
        State s;
        switch (outcomes[i]) {
            case Outcome::NotThere:
            case Outcome::Removed: break;
            case Outcome::Restored: s = AsLaidDown(item), s.data = item.restored; break;
            default: s = AsLaidDown(item);
        }
        want.push_back(s);
    }
    return want;
}

}  // namespace footprint
