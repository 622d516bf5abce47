// How the program ends when its runtime fails (the heap exhausted, a library
// call that would have thrown). With a person at the machine, as an uncaught
// exception ended it: msvcrt's "abnormal program termination" box. With nobody
// there, a box would hold a deployment until it times out: the program ends at
// once, without any box, with the code its run set.
#pragma once

// From now on a runtime failure ends the program with code and shows nothing;
// msvcrt's own run-time errors are written to the standard error, not a box.
void EndRuntimeFailuresWith(int code);

// Ends the program after a runtime failure, as the call above decided.
[[noreturn]] void EndOnRuntimeFailure();
