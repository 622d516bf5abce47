// The run report against the footprint: every item the run removed, left,
// restored or wrote has its line, worded for what happened to it.
#pragma once
#include <string>

#include "Footprint.h"
#include "Outcome.h"

namespace footprint {

// One line per item whose line the report lacks ("" when it has them all).
std::string ReportMisses(const std::string& report, const Footprint& footprint, const Outcomes& outcomes);

}  // namespace footprint
