// What happens after the restart that ends a run: the tool registered to start
// again when the program folder stays, and the companion program on Vista.
#pragma once

// When installDirectory still exists and cannot be removed, registers
// "\"<tool path>\" <installDirectory>" as RunOnce "TQMUNLOAD" (with startSwitch,
// when given, between the two: the unattended run starts again unattended); then
// writes the empty marker "TQM7NEEDREBOOT". 1 when "TQMUNLOAD" was already there (nothing
// written) or the marker was written; 0 when the RunOnce key cannot be opened,
// the tool's path cannot be read or the marker cannot be written.
int ScheduleFolderRemoval(const char* installDirectory, const char* startSwitch = nullptr);

// Puts a shortcut to vista_i.exe in the tool folder on the desktop (named by
// string 132) and registers that program, its path quoted, as RunOnce
// "UnloadReboot". 1 when the
// RunOnce key was opened (whatever the write did); 0 when the tool's path or
// the desktop folder could not be had (then nothing is written) or the key
// could not be opened (the shortcut has been made by then).
int PrepareVistaCompanion();

// Writes a shell link at shortcutPath that starts targetPath, with the tool's
// own icon. 1 when the link was set up and its save attempted (the save's result
// is not looked at); 0 when an earlier step failed.
int CreateShortcut(const char* targetPath, const char* shortcutPath);
