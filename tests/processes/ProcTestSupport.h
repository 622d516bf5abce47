// Test support for processes and services: helper programs, copies under the
// suite's names, the probe run as Windows 95, test services.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"

namespace proctest {

// Windows path of a helper program built beside the tests.
std::string HelperPath(const char* exeName);
// Copies a helper program to path; true on success.
bool CopyHelper(const char* exeName, const std::string& path);

using tolmtest::ProcessesNamed;

// Runs the probe program with its argument (what it calls) as Windows 95, from a
// copy in folder dir; true when it ended, with its exit code (the call's result).
bool RunProbeAsWindows95(const std::string& dir, const char* argument, DWORD* exitCode);

// Test services under the suite's service names.
enum class StopMode { Quick, Hold, Refuse };
// Installs name as a demand-start service of the test service program.
bool InstallTestService(const char* name, StopMode mode);
// Starts it and waits until it runs.
bool StartTestService(const char* name);
// True while the service control manager knows the service.
bool ServiceExists(const char* name);
// The current state (SERVICE_RUNNING, ...), or 0 when it cannot be queried.
DWORD ServiceState(const char* name);
// Stops and deletes name if present and waits until it is gone; true when gone.
bool RemoveTestService(const char* name);
// Lets held test services finish stopping (set) or keeps them held (reset).
void ReleaseHeldServices(bool release);

}  // namespace proctest
