#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "input/json_error.h"
#include "kernel/setup.h"

namespace kernel {

// One problem found in a setup document: where (a JSON path such as
// "parameters.KPI.type") and what ("unknown type \"int17\"").
using SetupFileError = input::JsonError;

struct SetupLoadResult {
  std::unique_ptr<CVX_Setup> setup;     // null when any error was found
  std::vector<SetupFileError> errors;

  bool ok() const { return setup != nullptr; }
  // All errors, one per line.
  std::string ErrorText() const;
};

// Parses and validates a setup document (docs/setup-format.md). Any input,
// however broken, gives errors and never a crash; the document's size and
// nesting are bounded.
SetupLoadResult ParseSetup(std::string_view text);
SetupLoadResult LoadSetupFile(const std::string& path);

// The document text of a setup; parsing it gives an identical setup.
std::string SerializeSetup(const CVX_Setup& setup);
// Writes through a temporary file in the same directory and renames it, so a
// failure never leaves a half-written file. Empty on success, else the cause.
std::string SaveSetupFile(const CVX_Setup& setup, const std::string& path);

// Writes `text` through a temporary file beside `path` and renames it over
// `path`; empty on success, else the cause, which leaves naming the file to
// the caller ("cannot write the temporary file: File too large").
std::string WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace kernel
