#pragma once

// Private to the setup file sources: checked access to the members of a
// parsed document, and the readers of its sections. Every reader reports
// each problem it finds and goes on, so that one load lists them all.

#include <climits>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kernel/setup.h"
#include "kernel/setup_file_json.h"

namespace kernel::setup_file {

// Typed reads of one value; each reports what is wrong at `path` and gives
// nullopt.
std::optional<std::string> ReadText(const Json& value, const std::string& path, ErrorList& errors);
std::optional<long long> ReadInteger(const Json& value, const std::string& path, ErrorList& errors,
                                     long long min = INT_MIN, long long max = INT_MAX);
std::optional<double> ReadFinite(const Json& value, const std::string& path, ErrorList& errors);
std::optional<bool> ReadFlag(const Json& value, const std::string& path, ErrorList& errors);

// The members of an object, by the keys the format knows there; any other
// key is reported. A value that is not an object is reported and has no
// members.
class Members {
 public:
  Members(const Json& value, std::string path, ErrorList& errors, std::initializer_list<std::string_view> known);

  bool IsObject() const { return isObject_; }
  const std::string& path() const { return path_; }
  std::string PathOf(std::string_view key) const { return MemberPath(path_, key); }

  // nullptr when absent; Require also reports the absence.
  const Json* Get(std::string_view key) const;
  const Json* Require(std::string_view key);

  // Absent (when `required` is false) and wrong both give nullopt; only
  // wrong and missing-but-required are reported.
  std::optional<std::string> Text(std::string_view key, bool required);
  std::optional<long long> Integer(std::string_view key, bool required, long long min = INT_MIN,
                                   long long max = INT_MAX);
  std::optional<double> Finite(std::string_view key, bool required);
  std::optional<bool> Flag(std::string_view key, bool required);

 private:
  const Json* Find(std::string_view key, bool required);

  std::string path_;
  ErrorList& errors_;
  bool isObject_ = false;
  std::vector<std::pair<std::string_view, const Json*>> found_;
};

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
