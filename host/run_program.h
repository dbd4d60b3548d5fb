#pragma once

#include <iosfwd>

#include "host/command_line.h"
#include "host/failure.h"
#include "kernel/setup.h"

namespace host {

// run-program: on a simulated drive built from the setup (and its
// "simulation" object), runs each program of the chain to its end on
// virtual time, one after the other on the same drive: downloads the
// setup's registers, writes its --var inputs and the --var-from values that
// earlier programs left, starts it and polls it. Prints one JSON document
// per program (a chain: {"runs": [...]}): the program's outputs, "test_flag"
// when it has one, the "MER" word, the drive variables it leaves results
// in, and for the last one the points logged for --log.
Outcome RunProgram(const Invocation& inv, CVX_Setup& setup, std::ostream& out);

// --sim FILE: the file's text becomes the setup's "simulation" object, once
// it has been checked against the setup.
Outcome ReplaceSimulation(CVX_Setup& setup, const std::string& path);

}  // namespace host
