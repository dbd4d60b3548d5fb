#pragma once

#include <iosfwd>

#include "host/command_line.h"
#include "host/failure.h"
#include "kernel/setup.h"

namespace host {

// run-program: downloads the setup's registers to a simulated drive built
// from the setup (and its "simulation" object), writes the --var inputs,
// runs the program to its end on virtual time, and prints one JSON document:
// the program's outputs, "test_flag" when it has one, the "MER" word, the
// drive variables it leaves results in, and the points logged for --log.
Outcome RunProgram(const Invocation& inv, CVX_Setup& setup, std::ostream& out);

// --sim FILE: the file's text becomes the setup's "simulation" object, once
// it has been checked against the setup.
Outcome ReplaceSimulation(CVX_Setup& setup, const std::string& path);

}  // namespace host
