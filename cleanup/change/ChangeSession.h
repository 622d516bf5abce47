// The one place through which the tool changes the machine. A run installs a
// session for its duration: in a real run each change is made, reported and
// counted; in a preview it is only reported as what would be done, and the
// session remembers what would be gone or made, so that the rest of the run
// sees the machine as the real run would see it (and decides the same way).
// Without an installed session every change is simply made and reported.
#pragma once
#include <windows.h>

#include <string>

#include "../report/RunReport.h"
#include "ItemSet.h"
#include "SavableKeys.h"

namespace change {

enum class Mode { Act, Preview };

// What the changes of a run came to (or would come to).
struct Tally {
    int removed = 0;  // keys, values, files, folders, services and processes that existed
    int written = 0;  // values given new data, files copied, folders and shortcuts made
    int pending = 0;  // left until the restart: files in use, services still stopping
    int refused = 0;  // changes the system refused
};

// Saves what a registry change is about to replace, before it is made. Each
// returns false, with obstacle (when given) filled in, when what is there
// cannot be saved as it is (SavableKeys.h): the change must not be made then.
// What is absent, or cannot be written for want of a file, returns true.
class RegistryBackup {
public:
    virtual ~RegistryBackup() = default;
    // The key root\path with all its subkeys and values.
    virtual bool SaveTree(HKEY root, const char* path, SaveObstacle* obstacle = nullptr) = 0;
    // The one value name (null or "" the default value) of root\path.
    virtual bool SaveValue(HKEY root, const char* path, const char* name, SaveObstacle* obstacle = nullptr) = 0;
};

// Installs itself as the current session until it goes; sessions nest.
class Session {
public:
    explicit Session(Mode mode);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Mode GetMode() const { return m_mode; }
    const Tally& Counts() const { return m_tally; }
    Tally& Counts() { return m_tally; }
    // Registry changes of a real run are saved here first (may be null).
    void SetBackup(RegistryBackup* backup) { m_backup = backup; }
    RegistryBackup* Backup() const { return m_mode == Mode::Act ? m_backup : nullptr; }

    // A preview's record of the machine as the run would leave it. Paths and
    // key names compare without regard to case, repeated backslashes as one.
    void Forget(const std::string& item);  // gone, with all below it
    void Make(const std::string& item);    // made (a folder) or written (a value)
    bool IsGone(const std::string& item) const;
    bool IsMade(const std::string& item) const;

private:
    Mode m_mode;
    Tally m_tally;
    RegistryBackup* m_backup = nullptr;
    ItemSet m_gone, m_made;
    Session* m_previous;
};

// The installed session, or null.
Session* Current();
// True while a preview session is installed.
bool Previewing();
// Counts one change into the installed session's tally (nothing without one).
void Count(int Tally::*what);

// Overlay names: a file-system path, a key, or a value of a key.
std::string PathItem(const char* path);
std::string KeyItem(HKEY root, const char* path);
std::string ValueItem(HKEY root, const char* path, const char* name);

using report::RootName;

}  // namespace change
