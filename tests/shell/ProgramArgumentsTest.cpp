// What WinMain receives of the command line: the text after the program's name.
#include "ProgramArguments.h"

#include <gtest/gtest.h>

#include <string>

TEST(ProgramArguments, TextAfterTheProgramName) {
    const struct {
        const char* line;
        const char* arguments;
    } cases[] = {
        {"C:\\TolmUnload.exe", ""},
        {"C:\\TolmUnload.exe -s", "-s"},
        {"TolmUnload.exe   \t /silent more ", "/silent more "},
        {"\"C:\\Program Files\\Tolm Unload\\TolmUnload.exe\" /silent", "/silent"},
        {"\"C:\\Program Files\\TolmUnload.exe\"-s", ""},  // the name goes on past its closing quote
        {"C:\\Tolm\" \"Unload.exe x", "x"},                   // a quoted blank inside the name
        {"\"C:\\no closing quote.exe -s", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        EXPECT_STREQ(c.arguments, ProgramArguments(&line[0])) << "[" << c.line << "]";
    }
    EXPECT_EQ(nullptr, ProgramArguments(nullptr));
}
