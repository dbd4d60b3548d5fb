#pragma once

#include <ostream>

#include "host/command_line.h"
#include "host/failure.h"
#include "host/plugin_library.h"

class CVX_Setup;

namespace host {

// `commission`: commissions the setup's motor on the simulated drive, test
// after test in the order the setup dialogs' guidelines give, each opened
// from the Drive Setup dialog by the ordinary person of the tests, with the
// inputs a careful engineer would choose printed before each. Prints the
// commissioning as it goes and the measured values at the end.
//
// The first failing test ends it with its text, and `setup` stays as it
// was; on success `setup` holds every value the tests measured and tuned.
// With a report directory the report (docs/command-line.md) is written
// either way.
struct CommissionOutcome {
  Outcome failure;
  bool succeeded = false;
};
CommissionOutcome RunCommission(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out);

}  // namespace host
