#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/command_line.h"
#include "host/failure.h"
#include "kernel/setup.h"

namespace host {

struct LoadedSetup {
  std::unique_ptr<CVX_Setup> setup;  // null on failure
  Outcome failure;
};

// The setup file at `path`, or the bundled default setup when `path` is
// empty. A file that does not load fails with the loader's first error and
// the count of the others.
LoadedSetup LoadSetup(const std::string& path);
// A setup document given as text (a file a person uploads), called `name`
// in the failure as a file is called by its path.
LoadedSetup LoadSetupText(std::string_view text, const std::string& name);

// Writes each value in its parameter's base unit, in order. The kernel clips
// to the limits and fits the value type. A parameter the setup lacks or a
// value the kernel refuses stops the run.
Outcome ApplyAssignments(CVX_Setup& setup, const std::vector<Assignment>& assignments);

// Saves through the kernel, which never leaves a half-written file.
Outcome SaveSetup(const CVX_Setup& setup, const std::string& path);

}  // namespace host
