#pragma once

#include <memory>
#include <ostream>

#include "host/command_line.h"
#include "host/failure.h"
#include "host/plugin_library.h"
#include "kernel/setup.h"

namespace host {

// `serve`: shows the plug-in's dialogs to a person in a web browser
// (docs/browser.md) until the process is interrupted. The HTTP server runs
// on threads of its own; the calling thread becomes the UI thread, on real
// time, on which every dialog runs. Prints the address to open, token
// included, on `out`; kernel errors go to `err` and to the page.
Outcome RunServe(const Invocation& inv, std::unique_ptr<CVX_Setup> setup, const PluginLibrary& plugin,
                 std::ostream& out, std::ostream& err);

}  // namespace host
