// Test support for processes and services: helper programs, copies under the
// suite's names, per-program Windows versions, test services.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace proctest {

// Windows path of a helper program built beside the tests.
std::string HelperPath(const char* exeName);
// Copies a helper program to path; true on success.
bool CopyHelper(const char* exeName, const std::string& path);

// HKCU\Software\Wine\AppDefaults\<exeName>\Version set while it lives; the key is
// removed again when it goes.
class WineVersionFor {
public:
    WineVersionFor(const std::string& exeName, const char* version);
    ~WineVersionFor();
    WineVersionFor(const WineVersionFor&) = delete;
    WineVersionFor& operator=(const WineVersionFor&) = delete;
    bool Ok() const { return m_ok; }

private:
    std::string m_key;
    bool m_ok = false;
};

// Process ids of running processes whose snapshot name equals name (any case).
std::vector<DWORD> ProcessesNamed(const char* name);

// Test services under the suite's service names.
enum class StopMode { Quick, Hold };
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
