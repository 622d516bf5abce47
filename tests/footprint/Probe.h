// What is on the machine now, item by item of the footprint: present or not,
// and for a value its type and data, so that two snapshots compare exactly.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "Footprint.h"

namespace footprint {

struct State {
    bool present = false;
    DWORD type = REG_NONE;  // a value's type and data
    std::string data;
    bool operator==(const State& o) const { return present == o.present && type == o.type && data == o.data; }
    bool operator!=(const State& o) const { return !(*this == o); }
};
// One state per item of the footprint, in its order.
using Snapshot = std::vector<State>;

Snapshot Probe(const Footprint& footprint);
// The state of an item as laid down (or as the run writes it).
State AsLaidDown(const Item& item);
// One line per item whose state differs ("" when none), naming what was
// wanted and what was found.
std::string Differences(const Footprint& footprint, const Snapshot& have, const Snapshot& want);

}  // namespace footprint
