// The constant name tables: the entries other steps rely on, and how names match.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "NameTables.h"
#include "TestSupport.h"

using tolmtest::Upper;

namespace {

// Every entry a bare, non-empty name, none twice in any letter case.
void ExpectBareDistinctNames(const char* const* table, int count) {
    std::set<std::string> seen;
    for (int i = 0; i < count; ++i) {
        ASSERT_NE(nullptr, table[i]) << i;
        std::string n = table[i];
        EXPECT_FALSE(n.empty()) << i;
        EXPECT_EQ(std::string::npos, n.find_first_of("\\/:*?\"<>|")) << n;
        EXPECT_TRUE(seen.insert(Upper(table[i])).second) << "twice: " << n;
    }
}

}  // namespace

TEST(NameTables, ProductFilesHoldTheNamesOtherStepsRelyOn) {
    ExpectBareDistinctNames(ProductFileNames, ProductFileNameCount);
    EXPECT_EQ(182, ProductFileNameCount);
    for (const char* n : {"AntiRule_Private.xml", "TQM32.EXE", "TQMPFW.EXE", "ZRPLnchr.EXE"})
        EXPECT_GE(FindNameInTable(n, ProductFileNames, ProductFileNameCount), 0) << n;
    // Its shortcut is kept while a folder cleaned by name keeps it.
    EXPECT_EQ(-1, FindNameInTable("QATMain.EXE", ProductFileNames, ProductFileNameCount));
}

TEST(NameTables, FolderUpdateAndInstallerTables) {
    ExpectBareDistinctNames(ProductFolderNames, ProductFolderNameCount);
    EXPECT_EQ(19, ProductFolderNameCount);
    for (const char* n : {"QAF", "QMF", "Rules"})
        EXPECT_GE(FindNameInTable(n, ProductFolderNames, ProductFolderNameCount), 0) << n;
    ExpectBareDistinctNames(UpdateFileNames, UpdateFileNameCount);
    EXPECT_EQ(4, UpdateFileNameCount);

    const char* expected[] = {"data1.cab", "data1.hdr", "TQMSetup.exe", "layout.bin", "setup.ilg", "Setup.ini", "setup.inx"};
    int i = 0;
    for (; InstallerCacheFileNames[i][0] != '\0'; ++i) {
        ASSERT_LT(i, 7);
        EXPECT_STREQ(expected[i], InstallerCacheFileNames[i]);
    }
    EXPECT_EQ(7, i);
}

TEST(NameTables, MatchingIsWholeNameWithoutRegardToCase) {
    EXPECT_GE(FindNameInTable("tqm32.exe", ProductFileNames, ProductFileNameCount), 0);
    EXPECT_GE(FindNameInTable("antirule_PRIVATE.XML", ProductFileNames, ProductFileNameCount), 0);
    for (const char* almost : {"TQM32.EX", "TQM32.EXE ", "xTQM32.EXE", "TQM32", "TQM32.EXE.bak", "*.EXE", ""})
        EXPECT_EQ(-1, FindNameInTable(almost, ProductFileNames, ProductFileNameCount)) << "[" << almost << "]";
    EXPECT_EQ(-1, FindNameInTable(nullptr, ProductFileNames, ProductFileNameCount));
    // A table ended by an empty name is searched up to it.
    EXPECT_EQ(2, FindNameInTable("tqmsetup.EXE", InstallerCacheFileNames, -1));
    EXPECT_EQ(-1, FindNameInTable("", InstallerCacheFileNames, -1));
    EXPECT_EQ(0, FindNameInTable("tqmpfw.exe", ProductProcessNames, -1));
}

TEST(NameTables, DoubleByteNamesMatchOnlyThemselves) {
    if (::GetACP() != 932) GTEST_SKIP() << "needs code page 932, have " << ::GetACP();
    // Shift-JIS trail bytes include ASCII letters: only single-byte letters fold.
    const char* table[] = {"\x83\x41.txt", "a\x83\x61.txt"};  // "ア.txt", "aャ.txt"
    EXPECT_EQ(0, FindNameInTable("\x83\x41.TXT", table, 2));
    EXPECT_EQ(-1, FindNameInTable("\x83\x61.txt", table, 2));
    EXPECT_EQ(1, FindNameInTable("A\x83\x61.TXT", table, 2));
    EXPECT_EQ(-1, FindNameInTable("A\x83\x41.TXT", table, 2));
}

TEST(NameTables, IndexFindsWhatTheOrderedSearchFinds) {
    // Duplicates in other cases, near misses, double-byte names (their trail
    // bytes are letters under code page 932 and 936), and a table large enough
    // for the index to probe past collisions.
    std::vector<std::string> names = {"TQM32.EXE", "tqm32.exe", "Help", "HELP", "\x83\x41.txt", "a\x83\x61.txt",
                                      "\x83\x61.txt", "Setup.ini", "", "x"};
    for (int i = 0; i < 500; ++i) names.push_back("Syn" + std::to_string(i) + (i % 2 ? ".dll" : ".EXE"));
    std::vector<const char*> table;
    for (const std::string& n : names) table.push_back(n.c_str());
    const int count = static_cast<int>(table.size());
    NameIndex index(table.data(), count);
    std::vector<std::string> probes = names;
    for (const char* p : {"TQM32.EXE ", "tqm32.ex", "help", "\x83\x41.TXT", "A\x83\x61.TXT", "A\x83\x41.TXT",
                          "\x83\x41", "SYN499.DLL", "syn500.exe", "Syn1.EXE", "X"})
        probes.push_back(p);
    for (const std::string& p : probes) {
        int ordered = -1;
        for (int i = 0; i < count && ordered < 0; ++i)
            if (FindNameInTable(p.c_str(), table.data() + i, 1) == 0) ordered = i;
        EXPECT_EQ(ordered, index.Find(p.c_str())) << "[" << p << "]";
    }
    EXPECT_EQ(0, index.Find("tqm32.EXE"));  // the first of two equal names
    EXPECT_EQ(-1, index.Find(nullptr));
    // The suite's tables go through their indexes and still give the first entry.
    for (int i = 0; i < ProductFileNameCount; ++i)
        EXPECT_EQ(i, FindNameInTable(Upper(ProductFileNames[i]).c_str(), ProductFileNames, ProductFileNameCount));
}
