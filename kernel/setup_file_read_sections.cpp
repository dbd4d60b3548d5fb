// The "options", "units" and "variables" sections.

#include <unordered_map>

#include <fmt/format.h>

#include "kernel/name_key.h"
#include "kernel/setup_file_read.h"
#include "kernel/value_type.h"

namespace kernel::setup_file {
namespace {

// Names are matched without regard to letter case, so "kpi" after "KPI" is
// the same name written twice.
std::string Duplicates(const std::string& name, const std::string& first) {
  return fmt::format("{} duplicates {} (names ignore case)", Quoted(name), Quoted(first));
}

std::optional<std::string> OptionText(const Json& value, const std::string& path, ErrorList& errors) {
  if (value.is_string()) return value.get<std::string>();
  // A number arrives as text already when written with a fraction or an
  // exponent (the reader keeps the literal); an integer is written back.
  if (value.is_number_unsigned()) return std::to_string(value.get<std::uint64_t>());
  if (value.is_number_integer()) return std::to_string(value.get<std::int64_t>());
  if (value.is_number_float()) return NumberText(value.get<double>());
  errors.Add(path, fmt::format("must be text or a number, found {}", KindOf(value)));
  return std::nullopt;
}

void ReadDerivedUnits(const Json& value, const std::string& path, const std::string& family, CVX_Setup& setup,
                      ErrorList& errors) {
  if (!value.is_object()) {
    errors.Add(path, fmt::format("must be an object of derived units, found {}", KindOf(value)));
    return;
  }
  for (auto it = value.begin(); it != value.end(); ++it) {
    const std::string& name = it.key();
    Members unit(it.value(), MemberPath(path, name), errors, {"factor", "offset"});
    if (name.empty()) errors.Add(unit.path(), "a unit needs a name");
    // A zero factor would make every value in the unit zero.
    double factor = 0.0;
    if (const Json* given = unit.Require("factor")) {
      const auto read = ReadNumber(*given, unit.PathOf("factor"), errors);
      if (read && *read == 0.0) errors.Add(unit.PathOf("factor"), "must be a finite non-zero number");
      else if (read) factor = *read;
    }
    const auto offset = unit.Number("offset", false);
    if (name.empty()) continue;
    if (const CVX_Unit* taken = setup.FindUnit(name)) {
      const std::string where = taken->IsBase() ? "a unit family" : "a unit of " + Quoted(taken->family);
      errors.Add(unit.path(), fmt::format("{} is already {} (names ignore case)", Quoted(name), where));
      continue;
    }
    // A unit with a faulty factor or offset is still declared (with a
    // neutral one), so that values shown in it bring no follow-on errors.
    if (!setup.MergeDerivedUnit(name, family, factor == 0.0 ? 1.0 : factor, offset.value_or(0.0)))
      errors.Add(unit.path(), "the kernel refused the unit");
  }
}

}  // namespace

void ReadOptions(const Json& value, CVX_Setup& setup, ErrorList& errors) {
  if (!value.is_object()) {
    errors.Add("options", fmt::format("must be an object, found {}", KindOf(value)));
    return;
  }
  std::unordered_map<std::string, std::string> firstSpelling;
  for (auto it = value.begin(); it != value.end(); ++it) {
    const std::string& name = it.key();
    const std::string path = MemberPath("options", name);
    const auto text = OptionText(it.value(), path, errors);
    if (name.empty()) {
      errors.Add(path, "an option needs a name");
      continue;
    }
    const auto [first, added] = firstSpelling.emplace(NameKey(name), name);
    if (!added) {
      errors.Add("options", Duplicates(name, first->second));
      continue;
    }
    if (text) setup.SetOption(name, *text);
  }
}

void ReadUnits(const Json& value, CVX_Setup& setup, ErrorList& errors) {
  if (!value.is_object()) {
    errors.Add("units", fmt::format("must be an object of unit families, found {}", KindOf(value)));
    return;
  }
  for (auto it = value.begin(); it != value.end(); ++it) {
    const std::string& family = it.key();
    const std::string path = MemberPath("units", family);
    if (family.empty()) {
      errors.Add(path, "a unit family needs a name (its base unit)");
      continue;
    }
    if (const CVX_Unit* taken = setup.FindUnit(family)) {
      if (taken->IsBase()) errors.Add("units", Duplicates(family, taken->name));
      else errors.Add(path, fmt::format("{} is already a unit of {}", Quoted(family), Quoted(taken->family)));
      continue;
    }
    if (!setup.AddUnitFamily(family)) {
      errors.Add(path, "the kernel refused the unit family");
      continue;
    }
    ReadDerivedUnits(it.value(), path, family, setup, errors);
  }
}

void ReadVariables(const Json& value, CVX_Setup& setup, ErrorList& errors) {
  if (!value.is_array()) {
    errors.Add("variables", fmt::format("must be a list, found {}", KindOf(value)));
    return;
  }
  // Case-folded name and axis -> the element that declared them first.
  std::unordered_map<std::string, std::size_t> firstAt;
  for (std::size_t i = 0; i < value.size(); ++i) {
    Members variable(value[i], ElementPath("variables", i), errors, {"name", "axis", "type", "unit", "display"});
    if (!variable.IsObject()) continue;
    const auto name = variable.Text("name", true);
    if (name && name->empty()) errors.Add(variable.PathOf("name"), "must not be empty");
    const auto axis = variable.Integer("axis", true, 1);
    std::optional<ValueType> type;
    if (const auto typeName = variable.Text("type", true)) {
      type = ValueTypeFromName(*typeName);
      if (!type) errors.Add(variable.PathOf("type"), "unknown type " + Quoted(*typeName));
    }
    const auto unitType = variable.Text("unit", false);
    const auto display = variable.Text("display", false);
    std::optional<UnitChoice> unit;
    if (unitType || !variable.Get("unit")) unit = ResolveUnit(setup, variable, unitType.value_or(""), display, errors);
    if (!name || name->empty() || !axis) continue;
    const auto [first, added] = firstAt.emplace(NameKey(*name) + '\n' + std::to_string(*axis), i);
    if (!added) {
      errors.Add(variable.path(), fmt::format("{} on axis {} duplicates {} (names ignore case)", Quoted(*name), *axis,
                                              ElementPath("variables", first->second)));
      continue;
    }
    if (!type || !unit) continue;
    CVX_Variable* created = setup.AddVariable(*name, static_cast<int>(*axis));
    if (!created) {
      errors.Add(variable.path(), "the kernel refused the variable");
      continue;
    }
    created->InitType(*type);
    created->InitUnit(unit->family, unit->display);
  }
}

}  // namespace kernel::setup_file
