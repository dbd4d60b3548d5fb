#pragma once

#include <iosfwd>

namespace host {

// The whole drivesetup program: parses the command line, loads the plug-in
// and the setup, runs one command and prints its result on `out`. Errors go
// to `err` as one line each. Returns the process exit status: 0 on success,
// 1 when a step fails, 2 for a command line that does not parse.
int RunDriveSetup(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace host
