// The fixed sequence of removal steps that every run follows: what it asks of
// the machine (RunOperations) and of the window or its stand-in (RunHost).
#pragma once
#include "RunHost.h"
#include "RunMode.h"
#include "RunOperations.h"

// The installer product codes, in the order they are processed.
extern const char* const kProductCodes[3];

// Runs the whole sequence in mode on host through ops; returns when the run ends.
RunOutcome RunUninstall(const RunMode& mode, RunHost& host, RunOperations& ops);
