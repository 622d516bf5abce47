// The deleting walks on trees made in the prefix's C: drive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileTestSupport.h"
#include "FolderRemoval.h"
#include "PathText.h"

using namespace filetest;
using tolmtest::ScratchDir;
using Tree = std::vector<std::string>;

TEST(PathBuffers, BuildPathFillsExactlyOrRefusesWithoutWritingPast) {
    char buf[16 + 4];
    std::memset(buf, '#', sizeof buf);
    EXPECT_TRUE(pathtext::BuildPath(buf, 16, "C:\\abcdefgh", "\\", "xyz"));  // 15 characters and the NUL
    EXPECT_STREQ("C:\\abcdefgh\\xyz", buf);
    std::memset(buf, '#', sizeof buf);
    EXPECT_FALSE(pathtext::BuildPath(buf, 16, "C:\\abcdefgh", "\\", "xyzw"));  // one too many
    EXPECT_STREQ("", buf);
    for (size_t i = 16; i < sizeof buf; ++i) EXPECT_EQ('#', buf[i]) << i;
}

TEST(DeleteFolderTree, EmptiesEveryLevelButKeepsTheFolderAndWhatIsInUse) {
    ScratchDir s("dft");
    std::string top = s / "top";
    ASSERT_TRUE(MakeFile(top + "\\a.txt"));
    ASSERT_TRUE(MakeFile(top + "\\sub\\deeper\\b.txt"));
    ASSERT_TRUE(MakeFile(top + "\\sub\\ro.txt"));
    ASSERT_TRUE(MakeFile(top + "\\hid\\h.txt"));
    ::SetFileAttributesA((top + "\\sub\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesA((top + "\\hid\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    // Wine keeps no read-only attribute on folders: only a hidden one can be tried.
    ::SetFileAttributesA((top + "\\hid").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(MakeFile(top + "\\busy\\inner\\held.dll"));
    ASSERT_TRUE(MakeFile(top + "\\busy\\inner\\free.dll"));
    HeldFile held(top + "\\busy\\inner\\held.dll");
    ASSERT_TRUE(held.Held());

    EXPECT_EQ(1, DeleteFolderTree(top.c_str()));
    EXPECT_TRUE(IsFolder(top));
    EXPECT_EQ((Tree{"busy\\", "busy\\inner\\", "busy\\inner\\held.dll"}), ListTree(top));

    held.Release();
    // With a trailing backslash the same folder is walked.
    EXPECT_EQ(1, DeleteFolderTree((top + "\\").c_str()));
    EXPECT_EQ(Tree{}, ListTree(top));
    EXPECT_EQ(1, DeleteFolderTree((s / "missing").c_str()));
    EXPECT_EQ(1, DeleteFolderTree(nullptr));
}

TEST(DeleteIfExtraProductFile, LooseFileRulesAreCaseExactAndNeedTheLength) {
    ScratchDir s("loose");
    // One folder per name: names differing only in case are one file here.
    struct Case {
        const char* name;
        bool loose;
    } cases[] = {{"y.pth", true},      {".pth", true},        {"QA12.DAT", true},   {"QAbcdefg.DAT", true},
                 {"TQMUpd.tmp", true}, {"tqmupd.TMP", true},  {"ZRPUPD.LCK", true}, {"x.PTH", false},
                 {"x.Pth", false},     {"QA12.dat", false},   {"qa12.DAT", false},  {"QA1.DAT", false},
                 {"QA.DAT", false},    {"pth", false},        {"th", false},        {"QA12.DATx", false},
                 {"a.pthx", false},    {"TQMUpd.tmp.old", false}};
    int i = 0;
    for (const Case& c : cases) {
        std::string folder = s / std::to_string(i++);
        ASSERT_TRUE(MakeFile(folder + "\\" + c.name)) << c.name;
        ::SetFileAttributesA((folder + "\\" + c.name).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        EXPECT_EQ(1, DeleteIfExtraProductFile(c.name, folder.c_str()));
        EXPECT_EQ(!c.loose, Exists(folder + "\\" + c.name)) << c.name;
        ::SetFileAttributesA((folder + "\\" + c.name).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

namespace {

// An install folder holding the suite's files among a user's.
void MakeMixedTree(const std::string& top) {
    for (const char* f : {"TQM32.EXE", "tqmpfw.exe", "QATMain.EXE", "user.doc", "Rules\\AntiRule_Private.xml",
                          "Rules\\mine.xml", "QMF\\Pattern\\Backup\\ZRPSkin.DLL",
                          "QMF\\Pattern\\Backup\\QA1234.DAT", "QMF\\Pattern\\a.pth", "Skin\\ZRPSkin.bmp", "Mine\\QMF\\TQM32.ini", "Mine\\notes.txt",
                          "Update\\TQMUpd.tmp", "Update\\keep.PTH"})
        ASSERT_TRUE(MakeFile(top + "\\" + f)) << f;
    ::SetFileAttributesA((top + "\\TQM32.EXE").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(MakeFolders(top + "\\Log\\Report"));  // named, empty, nested
    ASSERT_TRUE(MakeFolders(top + "\\Empty"));         // unlisted, empty
    ASSERT_TRUE(MakeFolders(top + "\\Skin\\Own"));     // unlisted inside listed
}

}  // namespace

TEST(DeleteProductFilesInTree, DeletesListedAndLooseFilesAtAnyDepthAndNoFolder) {
    ScratchDir s("dpf");
    for (const char* form : {"", "\\"}) {
        SCOPED_TRACE(std::string("form [") + form + "]");
        std::string top = s / "ZRP2006";
        RemoveTree(top);
        MakeMixedTree(top);
        ASSERT_TRUE(MakeFile(top + "\\QMF\\TQMSig.vdb"));
        HeldFile held(top + "\\QMF\\TQMSig.vdb");
        ASSERT_TRUE(held.Held());
        EXPECT_EQ(1, DeleteProductFilesInTree((top + form).c_str()));
        EXPECT_EQ((Tree{"Empty\\", "Log\\", "Log\\Report\\", "Mine\\", "Mine\\QMF\\", "Mine\\notes.txt", "QATMain.EXE",
                        "QMF\\", "QMF\\Pattern\\", "QMF\\Pattern\\Backup\\", "QMF\\TQMSig.vdb", "Rules\\",
                        "Rules\\mine.xml", "Skin\\", "Skin\\Own\\", "Update\\", "Update\\keep.PTH", "user.doc"}),
                  ListTree(top));
        held.Release();
    }
    EXPECT_EQ(1, DeleteProductFilesInTree(nullptr));
    EXPECT_EQ(1, DeleteProductFilesInTree((s / "missing").c_str()));
}

TEST(RemoveFolderContents, FullModeDeletesAllButTheFolderAndWhatIsInUse) {
    ScratchDir s("rfc");
    std::string top = s / "x";
    MakeMixedTree(top);
    ASSERT_TRUE(MakeFile(top + "\\Mine\\held.txt"));
    HeldFile held(top + "\\Mine\\held.txt");
    ASSERT_TRUE(held.Held());
    EXPECT_EQ(1, RemoveFolderContents((top + "\\").c_str(), 0));
    EXPECT_EQ((Tree{"Mine\\", "Mine\\held.txt"}), ListTree(top));
}

TEST(RemoveFolderContents, NamedModeRemovesOnlyEmptiedListedFolders) {
    ScratchDir s("named");
    std::string top = s / "apps";
    MakeMixedTree(top);
    DeleteProductFilesInTree(top.c_str());
    ASSERT_TRUE(MakeFolders(top + "\\qaf\\QMF"));  // listed names in another case
    EXPECT_EQ(1, RemoveFolderContents(top.c_str(), 1));
    // Rules keeps the user's rule file and Skin a folder of the user's; an
    // unlisted folder is not entered, even though it holds a listed one; no file
    // is deleted.
    EXPECT_EQ((Tree{"Empty\\", "Mine\\", "Mine\\QMF\\", "Mine\\notes.txt", "QATMain.EXE", "Rules\\", "Rules\\mine.xml",
                    "Skin\\", "Skin\\Own\\", "Update\\", "Update\\keep.PTH", "user.doc"}),
              ListTree(top));
}

TEST(RemoveFolderContents, InputChecks) {
    EXPECT_EQ(0, RemoveFolderContents(nullptr, 0));
    std::string p260 = "C:\\tolmtest\\" + std::string(260 - 12, 'a');
    ASSERT_EQ(260u, p260.size());
    EXPECT_EQ(1, RemoveFolderContents(p260.c_str(), 0));
    EXPECT_EQ(0, RemoveFolderContents((p260 + "b").c_str(), 0));
    EXPECT_EQ(0, RemoveFolderContents((p260 + "b").c_str(), 1));
}

namespace {

// Long paths can only be made through the wide functions.
std::wstring Long(const std::string& p) { return L"\\\\?\\" + tolmtest::WideFromUtf8(p.c_str()); }
bool MakeLongFolder(const std::string& p) { return ::CreateDirectoryW(Long(p).c_str(), nullptr) != 0; }
bool MakeLongFile(const std::string& p) {
    HANDLE h = ::CreateFileW(Long(p).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}
bool LongExists(const std::string& p) { return ::GetFileAttributesW(Long(p).c_str()) != INVALID_FILE_ATTRIBUTES; }
void RemoveLong(const std::string& folder, std::initializer_list<const char*> names) {
    for (const char* n : names) ::DeleteFileW(Long(folder + "\\" + n).c_str());
    ::RemoveDirectoryW(Long(folder).c_str());
}

}  // namespace

// A child path one character over its 260-character buffer is skipped: cut
// short, it would name another file (here one that must stay).
TEST(DeleteProductFilesInTree, ChildPathOverItsBufferIsSkippedNotCut) {
    ScratchDir s("long");
    std::string folder = s.Path() + "\\" + std::string(250 - s.Path().size() - 1, 'd');
    ASSERT_EQ(250u, folder.size());
    ASSERT_TRUE(MakeLongFolder(folder));
    ASSERT_TRUE(MakeLongFile(folder + "\\TQM32.EXE"));  // 260 characters: does not fit
    ASSERT_TRUE(MakeLongFile(folder + "\\TQM32.EX"));   // what a cut path would name
    ASSERT_TRUE(MakeLongFile(folder + "\\QPFW.cfg"));   // 259 characters: fits
    EXPECT_EQ(1, DeleteProductFilesInTree(folder.c_str()));
    EXPECT_FALSE(LongExists(folder + "\\QPFW.cfg"));
    EXPECT_TRUE(LongExists(folder + "\\TQM32.EXE"));
    EXPECT_TRUE(LongExists(folder + "\\TQM32.EX"));

    // Full mode: the file path buffer holds 520, the search pattern 260.
    EXPECT_EQ(1, RemoveFolderContents(folder.c_str(), 0));
    EXPECT_FALSE(LongExists(folder + "\\TQM32.EX"));
    RemoveLong(folder, {"TQM32.EXE", "TQM32.EX"});
}

// In the Japanese code page a name may end in a trail byte 0x5C ("ソ" is 83 5C):
// that is no trailing backslash, so the folder's own content is walked, not its
// siblings.
TEST(DeleteProductFilesInTree, TrailByteBackslashIsNoSeparator) {
    if (AnsiCodePage() != 932) GTEST_SKIP() << "needs code page 932, have " << AnsiCodePage();
    ScratchDir s("dbcs");
    std::string top = s / "ZRP\x83\x5C";
    ASSERT_TRUE(MakeFile(top + "\\TQM32.EXE"));
    ASSERT_TRUE(MakeFile(top + "\\sub\\TQMPFW.EXE"));
    ASSERT_TRUE(MakeFile(s / "ZRP\x83\x5C" "2\\TQM32.EXE"));
    EXPECT_EQ(1, DeleteProductFilesInTree(top.c_str()));
    EXPECT_FALSE(Exists(top + "\\TQM32.EXE"));
    EXPECT_FALSE(Exists(top + "\\sub\\TQMPFW.EXE"));
    EXPECT_TRUE(Exists(s / "ZRP\x83\x5C" "2\\TQM32.EXE"));
    EXPECT_EQ(1, RemoveFolderContents(top.c_str(), 0));
    EXPECT_EQ(Tree{}, ListTree(top));
    EXPECT_TRUE(Exists(s / "ZRP\x83\x5C" "2\\TQM32.EXE"));
}
