#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "kernel/name_key.h"

namespace drive {

// Values looked up by a name whose letter case does not matter ("KPI" and
// "kpi" are one register), as everywhere on the link. Used for the
// registers, the drive variables and each program's own variables.
class NamedValues {
 public:
  bool Has(std::string_view name) const { return values_.contains(kernel::NameKey(name)); }
  std::optional<double> Find(std::string_view name) const {
    const auto it = values_.find(kernel::NameKey(name));
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  // `fallback` when the name is absent: a register the setup does not have
  // leaves the drive's built-in value.
  double Get(std::string_view name, double fallback = 0.0) const { return Find(name).value_or(fallback); }
  void Set(std::string_view name, double value) { values_[kernel::NameKey(name)] = value; }
  void Clear() { values_.clear(); }

  // Keyed by kernel::NameKey (letters folded), in that key's order.
  const std::map<std::string, double>& all() const { return values_; }

 private:
  std::map<std::string, double> values_;
};

}  // namespace drive
