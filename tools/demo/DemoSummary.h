// What the demo says of the machine, in UTF-8 on its standard output: the
// suite as installed, what is left after the run, how much went and what the
// run wrote. The same words serve a run's probe and the footprint's expected
// outcome, so that the two can be compared line by line.
#pragma once
#include <string>
#include <vector>

#include "Footprint.h"
#include "Outcome.h"
#include "Probe.h"

namespace demo {

// A line in the ANSI code page, printed as UTF-8.
void Say(const std::string& ansi);
// text's lines, each after indent; empty lines left out.
void SayIndented(const std::string& text, const char* indent);

// "== Installed ==": what is laid down, the suite's and the user's.
void SayInstalled(const footprint::Footprint& fp, const footprint::Snapshot& before);
// "== What is left ==" and the summary's count and what the run wrote.
void SayLeft(const footprint::Footprint& fp, const footprint::Snapshot& before, const footprint::Snapshot& after);
// The paths of the items the run keeps and says why: its report names each.
void SayKeptItems(const footprint::Footprint& fp, const footprint::Outcomes& outcomes);

}  // namespace demo
