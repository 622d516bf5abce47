// What the test service and the tests agree on.
#pragma once

// Set by a test to let every held test service finish stopping.
static const char kReleaseEvent[] = "Global\\TolmTestServiceRelease";
