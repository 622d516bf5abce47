#include "ProgramArguments.h"

char* ProgramArguments(char* commandLine) {
    char* p = commandLine;
    if (!p) return p;
    // The name ends at the first blank outside double quotes.
    bool quoted = false;
    for (; *p && (quoted || static_cast<unsigned char>(*p) > ' '); ++p)
        if (*p == '"') quoted = !quoted;
    while (*p && static_cast<unsigned char>(*p) <= ' ') ++p;
    return p;
}
