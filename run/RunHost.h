// What the run sequence does to the window that hosts it (or its stand-in).
#pragma once
#include <windows.h>

#include "../framework/AfxString.h"

class RunHost {
public:
    virtual ~RunHost() = default;
    // A message box: id is the string of its text (the first, for a text made
    // of several); caption null means the framework's default title. The answer.
    virtual int Message(UINT id, const char* text, const char* caption, UINT type) = 0;
    virtual void AppendLog(const CString& text) = 0;
    virtual void RefreshLog() = 0;
    virtual void SetProgress(int position) = 0;
    virtual void DisableRunButton() = 0;
    virtual void PostQuit(int code) = 0;
};
