// Where the running program lies: OwnProgramPath, read in the framework.
#pragma once
#include "../framework/SystemLookup.h"
