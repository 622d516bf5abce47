// The command line as WinMain receives it.
#pragma once

// The text after the program's name in commandLine (quoted or not), without the
// blanks and control characters that follow the name: what WinMain's lpCmdLine
// points at. (No double-byte code page has a trail byte of '"' or a blank.)
char* ProgramArguments(char* commandLine);
