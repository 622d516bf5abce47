// What a run does to each item of the footprint in one scenario, decided in
// one place from the item's step, its reach and the scenario.
#pragma once
#include <vector>

#include "Footprint.h"
#include "Probe.h"
#include "Scenario.h"

namespace footprint {

enum class Outcome {
    NotThere,   // never laid down, and not written by this run
    Untouched,  // stays as laid down; the report does not name it
    Removed,    // gone; the report says so
    Left,       // stays; the report names it and says why
    Restored,   // a value the run wrote back to the system's data
    Written,    // written by the run
};
// One outcome per item of the footprint, in its order.
using Outcomes = std::vector<Outcome>;

// What a run in scenario does to each item.
Outcomes Expect(const Footprint& footprint, const Scenario& scenario);
// The outcomes before any run: what the seeding lays down stays.
Outcomes Seeded(const Footprint& footprint, const Installed& installed);
// What the probe must find after a run with these outcomes.
Snapshot StateAfter(const Footprint& footprint, const Outcomes& outcomes);

}  // namespace footprint
