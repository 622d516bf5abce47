// The tool's texts as the driver meets them: loaded from the tool's own
// resources, and matched against the text a message box shows.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "ToolDriver.h"

namespace tooldriver {

// The tool's string id, loaded from its resources as it would load it, in the
// ANSI code page; "" for an absent entry.
std::string ToolString(const std::string& tool, int id);
// format with its one "%s" replaced by argument.
std::string FormatWith(const std::string& format, const std::string& argument);
// True when text is format with anything in place of its one "%s" (or format
// itself when it has none).
bool MatchesFormat(const std::string& text, const std::string& format);

// Answers each box whose text matches one of the formats with its answer; any
// other box with No (OK where it has one button).
Answerer AnswerByText(std::vector<std::pair<std::string, int>> answers);

}  // namespace tooldriver
