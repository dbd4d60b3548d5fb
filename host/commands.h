#pragma once

#include <iosfwd>

#include "host/command_line.h"
#include "host/failure.h"
#include "host/plugin_library.h"
#include "kernel/setup.h"

namespace host {

// Runs the command of `inv` on `setup` through the engine and the plug-in,
// and prints its result (text or JSON as `inv` asks) to `out`.
Outcome RunCommand(const Invocation& inv, CVX_Setup& setup, const PluginLibrary& plugin, std::ostream& out);

}  // namespace host
