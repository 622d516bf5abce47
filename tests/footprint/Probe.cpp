#include "Probe.h"

#include <cstdio>

#include "MachineAccess.h"
#include "TestSupport.h"

namespace footprint {
namespace {

State Look(const Item& item) {
    State s;
    switch (item.kind) {
        case Kind::Key: s.present = KeyExists(item.root, item.path); break;
        case Kind::Value: s.present = ReadValue(item.root, item.path, item.value, &s.type, &s.data); break;
        case Kind::File:
        case Kind::Folder: s.present = Exists(item.path); break;
        case Kind::Service: s.present = ServiceExists(item.path.c_str()); break;
        case Kind::Process: s.present = !tolmtest::ProcessesNamed(item.path.c_str()).empty(); break;
    }
    if (!s.present) s.type = REG_NONE, s.data.clear();
    return s;
}

// Data as a reader wants it: text as it is, other bytes in hex.
std::string Shown(const State& s) {
    if (!s.present) return "absent";
    if (s.type == REG_NONE) return "present";
    if (s.type == REG_SZ || s.type == REG_EXPAND_SZ) return "\"" + s.data + "\" (type " + std::to_string(s.type) + ")";
    std::string hex;
    char byte[4];
    for (unsigned char c : s.data) std::snprintf(byte, sizeof byte, "%02x ", c), hex += byte;
    return "[" + hex + "] (type " + std::to_string(s.type) + ")";
}

}  // namespace

Snapshot Probe(const Footprint& footprint) {
    Snapshot snapshot;
    for (const Item& item : footprint.Items()) snapshot.push_back(Look(item));
    return snapshot;
}

State AsLaidDown(const Item& item) {
    State s;
    s.present = true;
    if (item.kind == Kind::Value) s.type = item.type, s.data = item.data;
    return s;
}

std::string Differences(const Footprint& footprint, const Snapshot& have, const Snapshot& want) {
    const std::vector<Item>& items = footprint.Items();
    if (have.size() != items.size() || want.size() != items.size()) return "  snapshots of another footprint\n";
    std::string out;
    for (size_t i = 0; i < items.size(); ++i)
        if (have[i] != want[i])
            out += "  " + items[i].Where() + ": " + Shown(have[i]) + ", should be " + Shown(want[i]) + "\n";
    return out;
}

}  // namespace footprint
