#pragma once

// Private to the setup file sources: the readers of a document's sections.
// Every reader reports each problem it finds and goes on, so that one load
// lists them all.

#include <optional>
#include <string>
#include <vector>

#include "input/json_read.h"
#include "kernel/setup.h"
#include "kernel/setup_file_json.h"

namespace kernel::setup_file {

using input::Found;
using input::KindOf;
using input::Members;
using input::ReadFlag;
using input::ReadInteger;
using input::ReadList;
using input::ReadNumber;
using input::ReadText;

// A "value" member: a base-unit value converted once the whole setup is
// loaded, because its scale may depend on other parameters.
struct PendingValue {
  CVX_Parameter* parameter;
  double base;
  std::string path;
};

// The sections, in the order a load reads them: units before the variables
// and parameters that name them.
void ReadDrive(const Json& value, CVX_Setup& setup, ErrorList& errors);
void ReadCapabilities(const Json& value, CVX_Setup& setup, ErrorList& errors);
void ReadOptions(const Json& value, CVX_Setup& setup, ErrorList& errors);
void ReadUnits(const Json& value, CVX_Setup& setup, ErrorList& errors);
void ReadVariables(const Json& value, CVX_Setup& setup, ErrorList& errors);
void ReadParameters(const Json& value, CVX_Setup& setup, ErrorList& errors, std::vector<PendingValue>& pending);
// Converts the "value" members in index order.
void ConvertPendingValues(const std::vector<PendingValue>& pending, ErrorList& errors);

// The unit family `name` of the setup and the display unit `display` (empty:
// the family's base unit), as declared, or nullopt after reporting why not.
// An empty family is dimensionless and takes no display unit.
struct UnitChoice {
  std::string family;
  std::string display;
};
std::optional<UnitChoice> ResolveUnit(const CVX_Setup& setup, const Members& members, const std::string& family,
                                      const std::optional<std::string>& display, ErrorList& errors);

}  // namespace kernel::setup_file
