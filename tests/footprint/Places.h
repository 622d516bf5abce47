// Where the system keeps what the suite's footprint names: special folders,
// the installer's record folder, the system drive, the script engines' folder.
#pragma once
#include <string>

namespace footprint {

// A special folder (CSIDL_...), "" when the system has none.
std::string SpecialFolder(int csidl);
// The system drive's root, such as C:\ .
std::string SystemDriveRoot();
// The installer's record folders' parent on the system drive.
std::string RecordRoot();
// The system's own script-engine library (such as "VBScript.dll") where a
// 32-bit program finds it: the Wow64 folder in the 64-bit prefix.
std::string EngineLibrary(const std::string& dll);

}  // namespace footprint
