// The files a preview cannot ask the system about without deleting them: the
// programs and DLLs that running processes hold loaded. The system refuses to
// delete such a file while it runs, whatever sharing a probe is granted.
#pragma once

namespace change {

// True in a preview when path is a module (the program or a DLL) of a running
// process that the run does not end: its deletion would be refused.
bool IsHeldImage(const char* path);

}  // namespace change
