// Formatting into fixed buffers with msvcrt's _vsnprintf, and CString::Format.
#include "AfxString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// "ab-07-0042--12-4000000000" is 25 characters: buffers around that size.
TEST(Format, CutsToTheBufferAndAlwaysTerminates) {
    const struct {
        size_t size;
        const char* text;
        int result;
    } cases[] = {
        {64, "ab-07-0042--12-4000000000", 25},
        {26, "ab-07-0042--12-4000000000", 25},  // exactly fits: _vsnprintf leaves no terminator
        {25, "ab-07-0042--12-400000000", -1},
        {2, "a", -1},
        {1, "", -1},
    };
    for (const auto& c : cases) {
        std::vector<char> buffer(c.size + 1, 'X');
        int n = AfxFormat(buffer.data(), c.size, "%s-%02u-%04u-%ld-%lu", "ab", 7u, 42u, -12L, 4000000000UL);
        EXPECT_EQ(c.result, n) << c.size;
        EXPECT_STREQ(c.text, buffer.data()) << c.size;
        EXPECT_EQ('X', buffer[c.size]) << "written past a buffer of " << c.size;
    }
    char untouched = 'X';
    EXPECT_EQ(-1, AfxFormat(&untouched, 0, "%s", "ab"));
    EXPECT_EQ('X', untouched);
}

TEST(Format, CStringGrowsToTheWholeText) {
    for (size_t length : {0u, 255u, 256u, 1000u, 5000u}) {
        const std::string part(length, 'p');
        CString s("old");
        s.Format("[%s|%d]", part.c_str(), 5);
        EXPECT_EQ("[" + part + "|5]", s.str()) << length;
    }
}
