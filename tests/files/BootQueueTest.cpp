// Suite files in use, and the folders only they keep, are queued for deletion
// at the next start: what the real walk leaves in the session manager's queue.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "BootQueue.h"
#include "ChangeSession.h"
#include "FileTestSupport.h"
#include "ProductRemoval.h"
#include "RegistryBackupFile.h"

using namespace filetest;
using tolmtest::ScratchDir;

namespace {

const char kForeign[] = "\\??\\C:\\tolmtest\\another-program.tmp";

bool ReadRaw(std::string* data) {
    HKEY k = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, change::kSessionManagerKey, 0, KEY_READ, &k)) return false;
    char buf[65536];
    DWORD size = sizeof buf, type = 0;
    const LONG rc = ::RegQueryValueExA(k, change::kPendingRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    ::RegCloseKey(k);
    if (rc) return false;
    data->assign(buf, size);
    return true;
}

void WriteRaw(const std::string* data) {
    HKEY k = nullptr;
    ASSERT_EQ(0, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, change::kSessionManagerKey, 0, KEY_ALL_ACCESS, &k));
    if (data)
        ::RegSetValueExA(k, change::kPendingRenamesValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data->data()),
                         static_cast<DWORD>(data->size()));
    else
        ::RegDeleteValueA(k, change::kPendingRenamesValue);
    ::RegCloseKey(k);
}

// The paths queued for deletion (pairs whose target is empty), in queue order.
std::vector<std::string> Deletions() {
    std::string raw;
    std::vector<std::string> strings, out;
    if (!ReadRaw(&raw)) return out;
    for (size_t at = 0; at < raw.size();) {
        const size_t end = raw.find('\0', at);
        strings.push_back(raw.substr(at, (end == std::string::npos ? raw.size() : end) - at));
        at = end == std::string::npos ? raw.size() : end + 1;
    }
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
        if (strings[i + 1].empty() && !strings[i].empty()) out.push_back(strings[i]);
    return out;
}

// Another program's entry is in the queue before each case; the queue is put
// back as it was after it.
class BootQueue : public ::testing::Test {
protected:
    void SetUp() override {
        m_had = ReadRaw(&m_saved);
        const std::string foreign = std::string(kForeign) + '\0' + '\0' + '\0';
        WriteRaw(&foreign);
    }
    void TearDown() override { WriteRaw(m_had ? &m_saved : nullptr); }
    std::string m_saved;
    bool m_had = false;
};

}  // namespace

TEST_F(BootQueue, OnlyWhatTheWalkWouldDeleteIsQueuedFilesBeforeTheirFolders) {
    struct Row {
        const char* name;
        const char* folder;       // the install folder's name
        const char* user;         // a file of the user's in it, or ""
        bool link;                // a link in it to a folder outside holding a suite file in use
        bool preview;
        std::vector<std::string> queued;  // below the install folder, in order ("" the folder itself)
        int pending;
    };
    const std::vector<Row> rows = {
        {"suite folder emptied whole", "ZRP2007", "", false, false, {"sub\\TQM32.EXE", "sub", ""}, 3},
        {"a user's file keeps the folder", "Suite", "mine.txt", false, false, {"sub\\TQM32.EXE", "sub"}, 2},
        {"a link keeps the folder, nothing behind it", "ZRP2007", "", true, false, {"sub\\TQM32.EXE", "sub"}, 2},
        {"a preview queues nothing", "ZRP2007", "", false, true, {}, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir s("queue");
        const std::string dir = s / row.folder, outside = s / "outside";
        // The named-only walk deletes product files and empties product folders ("QMF").
        const std::string held = dir + (row.user[0] ? "\\QMF\\TQM32.EXE" : "\\sub\\TQM32.EXE");
        ASSERT_TRUE(MakeFile(held));
        if (row.user[0]) ASSERT_TRUE(MakeFile(dir + "\\" + row.user));
        ASSERT_TRUE(MakeFile(outside + "\\TQM32.EXE"));
        HeldFile inUse(held), behindLink(outside + "\\TQM32.EXE");
        ASSERT_TRUE(inUse.Held() && behindLink.Held());
        std::unique_ptr<FolderLink> link;
        if (row.link) link.reset(new FolderLink(dir + "\\link", outside));
        if (row.link) ASSERT_TRUE(link->Ok());

        RegistryBackupFile backup({s.Path()});
        change::Session session(row.preview ? change::Mode::Preview : change::Mode::Act);
        session.SetBackup(&backup);
        char text[InstallDirectoryBufferSize] = {};
        std::strcpy(text, dir.c_str());
        RemoveProductFolder(text, sizeof text);

        std::vector<std::string> expected = {kForeign};
        for (std::string item : row.queued) {
            if (row.user[0] && item.compare(0, 3, "sub") == 0) item.replace(0, 3, "QMF");
            expected.push_back("\\??\\" + dir + (item.empty() ? "" : "\\" + item));
        }
        EXPECT_EQ(expected, Deletions());
        EXPECT_EQ(row.pending, session.Counts().pending);
        if (row.preview) continue;
        inUse.Release();
        behindLink.Release();
        // Importing the backup before the restart takes the run's entries out again.
        tolmtest::ChildProcess regedit;
        DWORD code = 1;
        ASSERT_FALSE(backup.Path().empty());
        ASSERT_TRUE(regedit.Start("C:\\windows\\regedit.exe /s \"" + backup.Path() + "\"") && regedit.Wait(60000, &code));
        EXPECT_EQ(std::vector<std::string>{kForeign}, Deletions());
    }
}

TEST_F(BootQueue, WithoutEarlierEntriesTheImportDeletesTheValue) {
    WriteRaw(nullptr);
    ScratchDir s("queue-none");
    const std::string held = s / "ZRP2006\\TQM32.EXE";
    ASSERT_TRUE(MakeFile(held));
    HeldFile inUse(held);
    ASSERT_TRUE(inUse.Held());
    RegistryBackupFile backup({s.Path()});
    {
        change::Session session(change::Mode::Act);
        session.SetBackup(&backup);
        char text[InstallDirectoryBufferSize] = {};
        std::strcpy(text, (s / "ZRP2006").c_str());
        RemoveProductFolder(text, sizeof text);
    }
    ASSERT_EQ(2u, Deletions().size());
    inUse.Release();
    tolmtest::ChildProcess regedit;
    DWORD code = 1;
    ASSERT_TRUE(regedit.Start("C:\\windows\\regedit.exe /s \"" + backup.Path() + "\"") && regedit.Wait(60000, &code));
    std::string raw;
    EXPECT_FALSE(ReadRaw(&raw)) << "the value was not there before the run";
}
