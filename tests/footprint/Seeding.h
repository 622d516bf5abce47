// The footprint laid down on the machine, and taken away again with whatever
// a run wrote, so that the prefix is left as it was found.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "Footprint.h"
#include "Scenario.h"

namespace footprint {

// Whether the seeding lays the item down on a machine installed so.
bool LaidDown(const Item& item, const Installed& installed);

class Installation {
public:
    Installation(const Footprint& footprint, const Installed& installed);
    // Ends the programs it started and takes everything away.
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // Takes away what an earlier scenario left, then lays the footprint down;
    // false, and why, when something could not be laid down.
    bool Seed(std::string* why);
    void ReleaseHeldFile();
    // Leaves the footprint on the machine when this goes: a run after this
    // process (the one a restart starts) takes it away.
    void Leave() { m_leave = true; }

private:
    const Footprint& m_footprint;
    Installed m_installed;
    HANDLE m_held = INVALID_HANDLE_VALUE;
    bool m_leave = false;
    std::vector<HANDLE> m_children;
};

// Takes away every item of the footprint, the run's included, and puts back
// the system's values that the seeding replaced.
void Unseed(const Footprint& footprint);

}  // namespace footprint
