// The one place through which the tool changes the machine. A run installs a
// session for its duration: in a real run each change is made, reported and
// counted; in a preview it is only reported as what would be done, and the
// session remembers what would be gone or made, so that the rest of the run
// sees the machine as the real run would see it (and decides the same way).
// Without an installed session every change is simply made and reported.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

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
    int refused = 0;  // changes the system refused, some of them made good later (see left)
    int left = 0;     // items a refused removal left, still there and not going at the restart
    int failed = 0;   // other changes the system refused: a value not written, a shortcut not made
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
    // The same, and for a value that is not there, what deletes it again.
    virtual bool SaveValueOrAbsence(HKEY root, const char* path, const char* name, SaveObstacle* obstacle = nullptr) {
        return SaveValue(root, path, name, obstacle);
    }
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

    // What remains, in either mode: a removal the system refused leaves item,
    // counted left; a later removal of it or of what holds it (a key tree after
    // NT refused a key with subkeys) makes that good.
    void Refuse(const std::string& item);
    void Removed(const std::string& item);
    // A left item that will go at the restart after all (queued for then).
    void Postpone(const std::string& item);

    // In a preview: the modules (paths) that running processes the run does not
    // end hold loaded, read once when first asked (HeldImages.cpp), and the
    // PathItem names of their bare names.
    const std::vector<std::string>& HeldImages();
    const ItemSet& HeldImageNames() { return HeldImages(), m_heldImageNames; }

    // Files and folders queued for deletion at the next start (BootQueue.h),
    // and files whose deletion failed because they were in use.
    void Queued(const std::string& item) { m_queued.Insert(item); }
    bool IsQueued(const std::string& item) const { return m_queued.Contains(item); }
    void LeftInUse(const std::string& item) { m_inUse.push_back(item); }
    // True when a file at or below the folder's item was left in use.
    bool LeftInUseBelow(const std::string& folderItem) const;
    // True the first time only: the queue's value is saved before the first entry.
    bool FirstQueueing() { return !m_queueing ? (m_queueing = true) : false; }

private:
    Mode m_mode;
    Tally m_tally;
    RegistryBackup* m_backup = nullptr;
    ItemSet m_gone, m_made, m_queued;
    std::vector<std::string> m_left;  // few: only what the system refused
    std::vector<std::string> m_heldImages;
    ItemSet m_heldImageNames;
    bool m_heldImagesRead = false;
    std::vector<std::string> m_inUse;
    bool m_queueing = false;
    Session* m_previous;
};

// The installed session, or null.
Session* Current();
// True while a preview session is installed.
bool Previewing();
// Counts one change into the installed session's tally (nothing without one).
void Count(int Tally::*what);
// Session::Refuse and Session::Removed on the installed session (nothing without one).
void Refuse(const std::string& item);
void Removed(const std::string& item);
// The installed session's backup of a real run, or null.
RegistryBackup* Backup();
// The names of a service and of a running process, for Refuse.
std::string ServiceItem(const char* name);
std::string ProcessItem(DWORD processId);

// Overlay names: a file-system path, a key, or a value of a key.
std::string PathItem(const char* path);
std::string KeyItem(HKEY root, const char* path);
std::string ValueItem(HKEY root, const char* path, const char* name);

using report::RootName;

}  // namespace change
