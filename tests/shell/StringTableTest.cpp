// The string table as the program loads it, under a Japanese and a Chinese user
// locale: every text against the catalogue, in the thread's ANSI code page, and
// the rule that a missing or empty entry leaves the string as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "AfxString.h"
#include "Catalogue.h"
#include "TestSupport.h"

using namespace tolmtest;

namespace {

// The language the test was started for, and the code page it must bring.
std::string Lang() { return Env("TOLM_LANG"); }
UINT ExpectedCodePage() { return Lang() == "ja" ? 932 : 936; }

}  // namespace

TEST(StringTable, RunsUnderTheExpectedCodePage) {
    ASSERT_TRUE(Lang() == "ja" || Lang() == "zh") << "start with TOLM_LANG=ja or zh";
    EXPECT_EQ(ExpectedCodePage(), ::GetACP());
    EXPECT_EQ(static_cast<UINT>(CP_THREAD_ACP), AfxStringCodePage());
}

TEST(StringTable, EveryEntryLoadsAsTheCatalogueSaysOrLeavesTheTextAlone) {
    ASSERT_EQ(ExpectedCodePage(), ::GetACP()) << "texts cannot be compared under another code page";
    const bool ja = Lang() == "ja";
    for (const catalogue::Entry& e : catalogue::kStrings) {
        SCOPED_TRACE(e.id);
        const char* text = ja ? e.ja : e.zh;
        CString s("previous");
        BOOL loaded = s.LoadString(static_cast<UINT>(e.id));
        if (!text) {
            EXPECT_FALSE(loaded);
            EXPECT_EQ(std::string("previous"), s.GetString());
        } else if (std::string(text) == "=ja") {
            // The Japanese name's Shift-JIS bytes, whatever the code page.
            EXPECT_TRUE(loaded);
            EXPECT_EQ(FromUtf8(e.ja, 932), s.str());
        } else {
            EXPECT_TRUE(loaded);
            EXPECT_EQ(FromUtf8(text, ExpectedCodePage()), s.str());
        }
    }
}

TEST(StringTable, ChineseNameEntriesConvertBackToShiftJisBytes) {
    // Read straight from the Chinese block, whatever the user's language.
    for (int id = 118; id <= 121; ++id) {
        SCOPED_TRACE(id);
        HMODULE self = ::GetModuleHandleA(nullptr);
        WCHAR zh[256] = {}, ja[256] = {};
        HRSRC r = ::FindResourceExA(self, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(id / 16 + 1),
                                    MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
        ASSERT_NE(nullptr, r);
        const WCHAR* p = static_cast<const WCHAR*>(::LockResource(::LoadResource(self, r)));
        for (int i = 0; i < id % 16; ++i) p += 1 + *p;
        ASSERT_LT(*p, 255);
        memcpy(zh, p + 1, *p * sizeof(WCHAR));
        std::string gbk(512, '\0');
        int n = ::WideCharToMultiByte(936, 0, zh, -1, &gbk[0], 512, nullptr, nullptr);
        ASSERT_GT(n, 1);
        gbk.resize(n - 1);

        const catalogue::Entry* entry = nullptr;
        for (const catalogue::Entry& e : catalogue::kStrings)
            if (e.id == id) entry = &e;
        ASSERT_NE(nullptr, entry);
        EXPECT_EQ(FromUtf8(entry->ja, 932), gbk) << "byte for byte";
        (void)ja;
    }
}

TEST(StringTable, EmptyOrMissingEntriesLoadNothing) {
    CString s("kept");
    EXPECT_FALSE(s.LoadString(200)) << "empty entry";
    EXPECT_EQ(std::string("kept"), s.GetString());
    EXPECT_FALSE(s.LoadString(202)) << "missing entry in a present block";
    EXPECT_FALSE(s.LoadString(4000)) << "missing block";
    EXPECT_EQ(std::string("kept"), s.GetString());
    EXPECT_TRUE(s.LoadString(201));
    EXPECT_EQ(std::string("present"), s.GetString());
}

TEST(StringTable, FormattingTheDeletionQuestionKeepsThePathAsStored) {
    ASSERT_EQ(ExpectedCodePage(), ::GetACP());
    CString q;
    ASSERT_TRUE(q.LoadString(109));
    const char* dir = "C:\\Program Files\\Velkaris\\ZRP2007\\";
    CString msg;
    msg.Format(q, dir);
    std::string want = FromUtf8(Lang() == "ja" ? catalogue::kStrings[8].ja : catalogue::kStrings[8].zh, ExpectedCodePage());
    want.replace(want.find("%s"), 2, dir);
    EXPECT_EQ(want, msg.str());
}

// Before NT 5.0 the texts are converted with the default ANSI code page of the
// thread's locale. Run as a copy of this program under Wine's NT 4 and Windows
// 98 versions.
TEST(StringTable, OlderSystemsConvertWithTheLocalesCodePage) {
    if (Env("TOLM_STRINGS_CHILD") == "1") {
        DWORD v = ::GetVersion();
        ASSERT_EQ(4, LOBYTE(LOWORD(v))) << "the child runs under an older version";
        char buf[8] = {};
        ASSERT_GT(::GetLocaleInfoA(::GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, buf, sizeof buf), 0);
        EXPECT_EQ(static_cast<UINT>(std::strtoul(buf, nullptr, 10)), AfxStringCodePage());
        EXPECT_EQ(ExpectedCodePage(), AfxStringCodePage());
        CString s;
        ASSERT_TRUE(s.LoadString(102));
        EXPECT_EQ(FromUtf8(Lang() == "ja" ? catalogue::kStrings[1].ja : catalogue::kStrings[1].zh, ExpectedCodePage()),
                  s.str());
        return;
    }
    ScratchDir dir("strings");
    for (const char* version : {"nt40", "win98"}) {
        SCOPED_TRACE(version);
        std::string name = std::string("strings_") + version + ".exe";
        std::string copy = CopySelf(dir.Path(), name);
        ASSERT_FALSE(copy.empty());
        ScopedWindowsVersion old(name, version);
        ::SetEnvironmentVariableA("TOLM_STRINGS_CHILD", "1");
        ChildProcess child;
        ASSERT_TRUE(child.Start("\"" + copy + "\" --gtest_filter=StringTable.OlderSystemsConvertWithTheLocalesCodePage"));
        ::SetEnvironmentVariableA("TOLM_STRINGS_CHILD", nullptr);
        DWORD code = 1;
        ASSERT_TRUE(child.Wait(30000, &code));
        EXPECT_EQ(0u, code) << "the child's checks failed";
    }
}
