#pragma once

#include <string>

class CVX_ScopeLogger;
class CWnd;

// The kernel's dialogs around the scope logger: its settings, and the name
// under which a recording is saved or loaded. Recordings are the plot files
// of kernel/plot_files.h: <name>.svg and <name>.csv in the plot directory.

// "Scope settings": the points of the scope's window (10 to 16384) and the speed-loop samples per point (1 to 200). True when the
// person changed them with OK.
bool EditScopeSettings(CVX_ScopeLogger& scope, CWnd* parent);

// Asks for a recording's name, `name` offered first. False when the person
// cancelled; a name that could reach outside the plot directory is refused
// with a message and asked again.
bool DoPromptScopeLoggerFileName(CWnd* parent, std::string& name);

// Saves what the scope shows as the recording `name`; non-zero on success
// (a failure goes through the kernel error channel).
int SaveScopeRecording(CVX_ScopeLogger& scope, const std::string& name);
// Shows the recording `name` in the scope's plot in place of what it
// recorded; an empty text on success, else why not (a missing or malformed
// file).
std::string LoadScopeRecording(CVX_ScopeLogger& scope, const std::string& name);
