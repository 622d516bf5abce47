// One scenario of a whole-tool run: the machine as seeded and how the run goes.
// The expected outcome of every item follows from it (Outcome.h).
#pragma once

namespace footprint {

// What runs on the seeded machine besides its files and keys.
struct Installed {
    bool services = true;    // QWatchSvc and QPfwSvc, running
    bool processes = true;   // the resident programs and the user's look-alikes, running
    bool fileInUse = false;  // kHeldFile held open by the seeding process
};

enum class RunKind { Interactive, Silent };

// The Windows the tool is told it runs on.
enum class Windows { Nt, Vista, Windows95Family };  // Nt: the NT family but version 6.0

enum class Ending {
    Complete,            // Yes to every question but the restart
    NoToStart,           // No to the start question
    NoToFolderQuestion,  // no install folder recorded, and No to going on without one
    NoToFileQuestion,    // No to deleting the program folder's files
    Unsupported,         // the system is refused before anything is removed
};

struct Scenario {
    RunKind run = RunKind::Interactive;
    Windows windows = Windows::Nt;
    Ending ending = Ending::Complete;
    Installed installed;
};

}  // namespace footprint
