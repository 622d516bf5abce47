#include "ReportCheck.h"

#include <vector>

namespace footprint {
namespace {

// How the report words what happened to an item: the text that follows the
// item's name on its line.
std::vector<std::string> Words(const Item& item, Outcome outcome) {
    switch (outcome) {
        case Outcome::Removed:
            if (item.kind == Kind::Folder) return {": removed"};
            if (item.kind == Kind::Process) return {": ended"};
            if (item.kind == Kind::Service) return {": deleted", ": marked for deletion"};
            return {": deleted"};
        case Outcome::Left: return {": kept, ", ": left, "};
        case Outcome::Restored: return {": written \"" + item.restored + "\""};
        case Outcome::Written:
            if (item.kind == Kind::Value) return {": written \"" + item.data + "\""};
            if (item.step == Step::RuleCopies) return {""};  // "copied FROM to TO" says it all
            return {": written"};
        default: return {};
    }
}

// The name the report gives an item it keeps: a shortcut kept is named
// "shortcut X" where a deleted one is "file X", so only the path counts there.
std::string NameFor(const Item& item, Outcome outcome) {
    const std::string& name = item.reportName;
    if (outcome == Outcome::Left && (item.kind == Kind::File || item.kind == Kind::Folder))
        return name.substr(name.find(' ') + 1);
    return name;
}

// ASCII letters in lower case: the run writes key names as it spells them.
std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Whether rest (what follows the name on its line) begins with word; a
// process's id, " (id N)", may stand between them.
bool Says(std::string rest, const std::string& word) {
    if (rest.compare(0, 5, " (id ") == 0 && rest.find(')') != std::string::npos) rest = rest.substr(rest.find(')') + 1);
    return rest.compare(0, word.size(), word) == 0;
}

bool HasLine(const std::string& report, const std::string& name, const std::vector<std::string>& words) {
    for (size_t at = report.find(name); at != std::string::npos; at = report.find(name, at + 1)) {
        const size_t end = report.find_first_of("\r\n", at);
        const std::string rest = report.substr(at + name.size(), end == std::string::npos ? end : end - at - name.size());
        for (const std::string& word : words)
            if (Says(rest, Lower(word))) return true;
    }
    return false;
}

}  // namespace

std::string ReportMisses(const std::string& report, const Footprint& footprint, const Outcomes& outcomes) {
    const std::string text = Lower(report);
    std::string missing;
    for (size_t i = 0; i < footprint.Items().size(); ++i) {
        const Item& item = footprint.Items()[i];
        const std::vector<std::string> words = Words(item, outcomes[i]);
        if (words.empty() || item.reportName.empty()) continue;
        const std::string name = NameFor(item, outcomes[i]);
        if (!HasLine(text, Lower(name), words)) missing += "  " + item.Where() + ": no line \"" + name + words.front() + "\"\n";
    }
    return missing;
}

}  // namespace footprint
