#pragma once

#include <ostream>

#include "host/command_line.h"
#include "host/failure.h"
#include "host/plugin_library.h"

class CVX_Setup;

namespace host {

// `test NAME`: opens one commissioning test on the simulated drive, on
// virtual time, the way a person reaches it from the Drive Setup dialog
// (host/test_routes.h), and plays the person: the script of --script from
// the test dialog on, else the ordinary person (Start, wait for the end or
// stop a test that runs until stopped, Yes to keeping the measured values,
// Close), who turns the shaft by hand unless the simulation says otherwise. Prints the stage texts, each
// run's outcome and error text, the values measured old -> new and the plot
// files written (into --plots DIR when given).
//
// The setup takes the test's values only when the test dialog closed with
// OK (and the dialogs on the way with it); otherwise it stays exactly as it
// was. A test that failed or a script that did not run as written is a
// failure, printed after what the test showed.
struct TestOutcome {
  Outcome failure;
  bool kept = false;
};
TestOutcome RunTestCommand(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out);

}  // namespace host
