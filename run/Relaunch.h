// Started on the NT family from a folder that a standard user can change, the
// tool runs from its copy in the administrators' folder, so that no file put
// beside it (a DLL loaded by name, above all) is ever loaded with its rights.
// The copy is told the folder the user started the tool from, which stays the
// tool's folder (ToolFolder) for its report, rule copies and companion.
#pragma once
#include <windows.h>

#include <string>

// The arguments without the switch by which a relaunching tool names its
// folder to its copy. The switch is honoured (SetToolFolder) only by the copy
// in the administrators' folder; anywhere else it is dropped unread.
std::string TakeOriginSwitch(const char* arguments);
// The same, read only: the arguments without the switch, and the folder it
// named into folder (untouched when there is none).
std::string WithoutOriginSwitch(const char* arguments, std::string* folder = nullptr);

// When the tool should run from its copy: makes or keeps the copy, starts it
// with arguments and the switch naming this program's folder, waits for it to
// end and gives its exit code in exitCode; true then. The copy is deleted
// afterwards unless RunOnce is to start it. False, nothing started, when the
// tool runs where it is: the Windows 95 family, a folder only administrators
// can change, the copy itself, or no copy could be made or started.
bool RunFromAdministratorsCopy(const char* arguments, DWORD& exitCode);
