// Which Windows the tool runs on. Every call asks the system again; nothing is
// remembered between calls. A failed system query counts as "no".
#pragma once
#include "../framework/AfxString.h"

// 1 on the NT platform, 0 on the Windows 95 family, Win32s, or a failed query.
int IsWindowsNT();
// 1 on version 6.0 exactly (Windows Vista, Windows Server 2008), else 0.
int IsWindowsVista();
// 1 on the NT platform from version 6.0 on, else 0.
int IsWindowsVistaOrLater();
// 1 for a 32-bit process on 64-bit Windows of version 5.1 or later, else 0.
int IsWow64();
// Writes a readable description of the system into description (the first piece
// replaces its content, later pieces are appended; paths that write nothing leave
// it as it was). Returns 1 for a supported system, 0 for an unsupported or
// unidentifiable one: the run's support gate.
int GetOSDescription(CString& description);
