// The suite's constant name tables. Names are matched against an entry's bare
// name, whole, without regard to letter case.
#pragma once

// Executable names of the suite's resident processes, ended by an empty name.
extern const char* const ProductProcessNames[];
