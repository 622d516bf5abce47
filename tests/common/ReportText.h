// Reading a run report's text: its lines, and the items it names with what
// became of each ("  file C:\x: deleted").
#pragma once
#include <set>
#include <string>
#include <vector>

namespace tolmtest {

// text's lines, without their line breaks (CRLF or LF).
std::vector<std::string> Lines(const std::string& text);

// An item's line: indented, the item, ": " and its state. A preview words the
// state "would be <state>": preview says so, state is without it.
struct ReportItem {
    std::string item, state;
    bool preview = false;
};
// The item lines among lines, in order.
std::vector<ReportItem> ReportItems(const std::vector<std::string>& lines);
// The items named as gone: deleted, removed or ended (or, in a preview, would be).
std::set<std::string> RemovedItems(const std::vector<std::string>& lines);

}  // namespace tolmtest
