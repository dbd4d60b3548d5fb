#pragma once

#include <ostream>
#include <vector>

#include "host/command_line.h"
#include "host/failure.h"
#include "host/plugin_library.h"

class CVX_Parameter;
class CVX_Setup;

namespace host {

// `edit`: shows the plug-in's Drive Setup dialog on `setup` through its
// EditSetup export while the user script of `inv` plays the person, on
// virtual time. Prints the dialog's result and the parameters it changed.
//
// Only OK keeps the edit: the dialog works on a copy, which replaces
// `setup` when it closes with OK. On Cancel `setup` stays exactly as it was
// and nothing is to be saved; a script that does not run as written is a
// failure that says why.
struct EditOutcome {
  Outcome failure;
  bool kept = false;  // OK: the edited setup replaced `setup`
};
EditOutcome RunEdit(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out);

// The parameters of `after` whose stored value differs from `before` by
// more than the last bits of a double.
std::vector<const CVX_Parameter*> ChangedParameters(const CVX_Setup& before, const CVX_Setup& after);

// Before `edit`, after the --set values `sets` were applied: computes the
// registers from the user values, since the dialog opens on the values it
// recovers from the registers and would otherwise show the values from
// before the sets. A set of a register that the computation gives another
// value would not hold: that is a usage failure naming it.
Outcome ComputeRegistersForEdit(CVX_Setup& setup, const std::vector<Assignment>& sets);

}  // namespace host
