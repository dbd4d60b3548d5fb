#pragma once

#include <iosfwd>

#include "host/command_line.h"
#include "host/failure.h"
#include "host/plugin_library.h"
#include "kernel/setup.h"

namespace host {

struct CommandOutcome {
  Outcome failure;
  // Whether the setup the command leaves is to be saved (--out): a dialog
  // the user cancelled keeps nothing.
  bool keep = true;
};

// Runs the command of `inv` on `setup` through the engine and the plug-in,
// and prints its result (text or JSON as `inv` asks) to `out`.
CommandOutcome RunCommand(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out);

}  // namespace host
