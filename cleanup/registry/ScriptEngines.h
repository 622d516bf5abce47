// Pointing the VBScript and JScript class registrations back to the system's
// own libraries.
#pragma once
#include <windows.h>

// The six engine classes, in the order they are restored.
extern const char* const kScriptEngineClasses[6];

// Rewrites HKCR\CLSID\<classId>\InprocServer32's default value with the system's
// (or, under WoW64, the Wow64 system directory's) VBScript.dll or JScript.dll and
// deletes its "TQMOrigin". S_OK when the default value was rewritten, E_FAIL
// otherwise (also for an identifier that is not one of the six).
HRESULT RestoreScriptEngineClass(const char* classId);
// Restores all six classes; on success deletes HKCU\Software\Velkaris\Antivirus\QAScript.
// S_OK when none failed, E_FAIL otherwise.
HRESULT RestoreScriptEngines();
