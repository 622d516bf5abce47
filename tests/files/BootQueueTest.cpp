// Suite files in use, and the folders only they keep, are queued for deletion
// at the next start: what the real walk leaves in the session manager's queue.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "BootQueue.h"
#include "ChangeSession.h"
#include "FileTestSupport.h"
#include "ProductRemoval.h"
#include "RegTestSupport.h"
#include "RegistryBackupFile.h"

using namespace filetest;
using tolmtest::ScratchDir;

namespace {

const char kForeign[] = "\\??\\C:\\tolmtest\\another-program.tmp";

bool ReadQueue(std::string* raw) {
    DWORD type = 0;
    return regtest::ReadValue(HKEY_LOCAL_MACHINE, change::kSessionManagerKey, change::kPendingRenamesValue, &type, raw);
}

void WriteQueue(const std::string* raw) {
    if (raw) {
        ASSERT_TRUE(regtest::SetString(HKEY_LOCAL_MACHINE, change::kSessionManagerKey, change::kPendingRenamesValue,
                                       raw->substr(0, raw->size() - 1), REG_MULTI_SZ));
        return;
    }
    HKEY k = nullptr;
    ASSERT_EQ(0, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, change::kSessionManagerKey, 0, KEY_SET_VALUE, &k));
    ::RegDeleteValueA(k, change::kPendingRenamesValue);
    ::RegCloseKey(k);
}

// The paths queued for deletion (pairs whose target is empty), in queue order.
std::vector<std::string> Deletions() {
    std::string raw;
    std::vector<std::string> strings, out;
    if (ReadQueue(&raw))
        for (size_t at = 0; at < raw.size(); at += strings.back().size() + 1) strings.push_back(raw.c_str() + at);
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
        if (strings[i + 1].empty() && !strings[i].empty()) out.push_back(strings[i]);
    return out;
}

// The queue is put back as it was after each case.
class BootQueue : public ::testing::Test {
protected:
    void SetUp() override { m_had = ReadQueue(&m_saved); }
    void TearDown() override { WriteQueue(m_had ? &m_saved : nullptr); }
    std::string m_saved;
    bool m_had = false;
};

}  // namespace

// Importing the backup before the restart takes the run's entries out again,
// and the whole value when the run made it.
TEST_F(BootQueue, OnlyWhatTheWalkWouldDeleteIsQueuedFilesBeforeTheirFolders) {
    struct Row {
        const char* name;
        bool earlier;             // another program's entry is queued before the run
        const char* user;         // a file of the user's in the install folder, or ""
        bool link;                // a link in it to a folder outside holding a suite file in use
        bool preview;
        std::vector<std::string> queued;  // below the install folder, in order ("" the folder itself)
        int pending;
    } rows[] = {
        {"suite folder emptied whole, a queue of its own", false, "", false, false, {"sub\\TQM32.EXE", "sub", ""}, 3},
        {"a user's file keeps the folder", true, "mine.txt", false, false, {"QMF\\TQM32.EXE", "QMF"}, 2},
        {"a link keeps the folder, nothing behind it", true, "", true, false, {"sub\\TQM32.EXE", "sub"}, 2},
        {"a preview queues nothing", true, "", false, true, {}, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string foreign = std::string(kForeign) + '\0' + '\0' + '\0';
        WriteQueue(row.earlier ? &foreign : nullptr);
        ScratchDir s("queue");
        const std::string dir = s / (row.user[0] ? "Suite" : "ZRP2007"), outside = s / "outside";
        // The named-only walk deletes product files and empties product folders ("QMF").
        const std::string held = dir + (row.user[0] ? "\\QMF\\TQM32.EXE" : "\\sub\\TQM32.EXE");
        ASSERT_TRUE(MakeFile(held) && MakeFile(outside + "\\TQM32.EXE"));
        if (row.user[0]) ASSERT_TRUE(MakeFile(dir + "\\" + row.user));
        HeldFile inUse(held), behindLink(outside + "\\TQM32.EXE");
        ASSERT_TRUE(inUse.Held() && behindLink.Held());
        std::unique_ptr<FolderLink> link(row.link ? new FolderLink(dir + "\\link", outside) : nullptr);
        if (link) ASSERT_TRUE(link->Ok());

        RegistryBackupFile backup({s.Path()});
        change::Session session(row.preview ? change::Mode::Preview : change::Mode::Act);
        session.SetBackup(&backup);
        char text[InstallDirectoryBufferSize] = {};
        std::strcpy(text, dir.c_str());
        RemoveProductFolder(text, sizeof text);

        std::vector<std::string> before, expected;
        if (row.earlier) before.push_back(kForeign);
        expected = before;
        for (const std::string& item : row.queued) expected.push_back("\\??\\" + dir + (item.empty() ? "" : "\\" + item));
        EXPECT_EQ(expected, Deletions());
        EXPECT_EQ(row.pending, session.Counts().pending);
        if (row.preview) continue;
        inUse.Release();
        behindLink.Release();
        tolmtest::ChildProcess regedit;
        ASSERT_FALSE(backup.Path().empty());
        ASSERT_TRUE(regedit.Start("C:\\windows\\regedit.exe /s \"" + backup.Path() + "\"") && regedit.Wait(60000));
        EXPECT_EQ(before, Deletions());
        std::string raw;
        EXPECT_EQ(row.earlier, ReadQueue(&raw)) << "the value is there after the import only if it was before";
    }
}
