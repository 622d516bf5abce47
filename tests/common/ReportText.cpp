#include "ReportText.h"

namespace tolmtest {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

std::vector<ReportItem> ReportItems(const std::vector<std::string>& lines) {
    std::vector<ReportItem> items;
    for (const std::string& line : lines) {
        const size_t colon = line.rfind(": ");
        if (colon == std::string::npos || line.compare(0, 2, "  ") != 0) continue;
        ReportItem i;
        const size_t first = line.find_first_not_of(' ');
        i.item = line.substr(first, colon - first);
        i.state = line.substr(colon + 2);
        i.preview = i.state.compare(0, 9, "would be ") == 0;
        if (i.preview) i.state = i.state.substr(9);
        items.push_back(i);
    }
    return items;
}

std::set<std::string> RemovedItems(const std::vector<std::string>& lines) {
    std::set<std::string> removed;
    for (const ReportItem& i : ReportItems(lines))
        if (i.state == "deleted" || i.state == "removed" || i.state == "ended") removed.insert(i.item);
    return removed;
}

}  // namespace tolmtest
