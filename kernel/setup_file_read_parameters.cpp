// The "parameters" section, and the conversion of "value" members once the
// whole setup is present.

#include <cmath>
#include <unordered_map>

#include <fmt/format.h>

#include "kernel/errors.h"
#include "kernel/name_key.h"
#include "kernel/setup_file_read.h"
#include "kernel/value_type.h"

namespace kernel::setup_file {
namespace {

constexpr int kMaxDecimals = 15;
constexpr int kDefaultDecimals = 3;

struct ParameterFields {
  ValueType type = ValueType::kDouble;
  double internal = 0.0;
  std::optional<double> base;  // a "value" member, to convert later
  UnitChoice unit;
  double min = CVX_Parameter::kNoMinimum;
  double max = CVX_Parameter::kNoMaximum;
  int decimals = kDefaultDecimals;
};

// An integer type holds a stored value as it is, so a value it would round
// or bound is a fault of the file, not something to mend quietly.
void CheckInternal(double internal, ValueType type, const std::string& path, ErrorList& errors) {
  if (!IsIntegerType(type)) return;
  const std::string_view typeName = ValueTypeName(type);
  if (internal != std::trunc(internal)) {
    errors.Add(path, fmt::format("{} is not a whole number, as type {} needs", NumberText(internal), typeName));
  } else if (FitToType(type, internal) != internal) {
    errors.Add(path, fmt::format("{} is outside the range of {} ({} to {})", NumberText(internal), typeName,
                                 NumberText(FitToType(type, -HUGE_VAL)), NumberText(FitToType(type, HUGE_VAL))));
  }
}

std::optional<ParameterFields> ReadParameterObject(const Json& value, const std::string& path, const CVX_Setup& setup,
                                                 ErrorList& errors) {
  const std::size_t errorsBefore = errors.Count();
  Members param(value, path, errors, {"internal", "value", "unit", "display", "min", "max", "type", "decimals"});
  ParameterFields fields;

  bool typeKnown = true;
  if (const auto typeName = param.Text("type", false)) {
    if (const auto type = ValueTypeFromName(*typeName)) {
      fields.type = *type;
    } else {
      errors.Add(param.PathOf("type"), "unknown type " + Quoted(*typeName));
      typeKnown = false;
    }
  }

  const Json* internal = param.Get("internal");
  const Json* base = param.Get("value");
  if (internal && base) errors.Add(path, "has both \"internal\" and \"value\"; give one");
  else if (!internal && !base) errors.Add(path, "needs \"internal\" or \"value\"");
  if (internal) {
    const auto number = ReadNumber(*internal, param.PathOf("internal"), errors);
    if (number && typeKnown) CheckInternal(*number, fields.type, param.PathOf("internal"), errors);
    fields.internal = number.value_or(0.0);
  }
  if (base) fields.base = ReadNumber(*base, param.PathOf("value"), errors);

  const auto unitType = param.Text("unit", false);
  const auto display = param.Text("display", false);
  if (unitType || !param.Get("unit")) {
    if (const auto unit = ResolveUnit(setup, param, unitType.value_or(""), display, errors)) fields.unit = *unit;
  }

  const auto min = param.Number("min", false);
  const auto max = param.Number("max", false);
  if (min && max && *min > *max)
    errors.Add(param.PathOf("min"), fmt::format("{} is above max {}", NumberText(*min), NumberText(*max)));
  // Both are in base units, so no conversion is needed to compare them.
  if (fields.base && min && *fields.base < *min)
    errors.Add(param.PathOf("value"), fmt::format("{} is below min {}", NumberText(*fields.base), NumberText(*min)));
  if (fields.base && max && *fields.base > *max)
    errors.Add(param.PathOf("value"), fmt::format("{} is above max {}", NumberText(*fields.base), NumberText(*max)));
  fields.min = min.value_or(CVX_Parameter::kNoMinimum);
  fields.max = max.value_or(CVX_Parameter::kNoMaximum);

  fields.decimals = static_cast<int>(param.Integer("decimals", false, 0, kMaxDecimals).value_or(kDefaultDecimals));

  if (errors.Count() != errorsBefore) return std::nullopt;
  return fields;
}

std::optional<ParameterFields> ReadParameter(const Json& value, const std::string& path, const CVX_Setup& setup,
                                           ErrorList& errors) {
  if (value.is_object()) return ReadParameterObject(value, path, setup, errors);
  if (!value.is_number()) {
    errors.Add(path, fmt::format("must be a number or an object, found {}", KindOf(value)));
    return std::nullopt;
  }
  // A bare number is a dimensionless double without limits.
  const auto number = ReadNumber(value, path, errors);
  if (!number) return std::nullopt;
  ParameterFields fields;
  fields.internal = *number;
  return fields;
}

}  // namespace

void ReadParameters(const Json& value, CVX_Setup& setup, ErrorList& errors, std::vector<PendingValue>& pending) {
  if (!value.is_object()) {
    errors.Add("parameters", fmt::format("must be an object, found {}", KindOf(value)));
    return;
  }
  std::unordered_map<std::string, std::string> firstSpelling;
  for (auto it = value.begin(); it != value.end(); ++it) {
    const std::string& name = it.key();
    const std::string path = MemberPath("parameters", name);
    const auto fields = ReadParameter(it.value(), path, setup, errors);
    if (name.empty()) {
      errors.Add(path, "a parameter needs a name");
      continue;
    }
    const auto [first, added] = firstSpelling.emplace(NameKey(name), name);
    if (!added) {
      errors.Add("parameters", fmt::format("{} duplicates {} (names ignore case)", Quoted(name), Quoted(first->second)));
      continue;
    }
    if (!fields) continue;
    CVX_Parameter* parameter = setup.AddParameter(name);
    if (!parameter) {
      errors.Add(path, "the kernel refused the parameter");
      continue;
    }
    parameter->InitType(fields->type);
    parameter->InitUnit(fields->unit.family, fields->unit.display);
    parameter->InitLimits(fields->min, fields->max);
    parameter->SetDecimals(fields->decimals);
    parameter->InitInternal(fields->internal);
    if (fields->base) pending.push_back({parameter, *fields->base, MemberPath(path, "value")});
  }
}

void ConvertPendingValues(const std::vector<PendingValue>& pending, ErrorList& errors) {
  QuietErrors quiet;
  for (const PendingValue& value : pending) {
    const std::string errorBefore = GetLastErrorText();
    const int stored = value.parameter->SetValueInBaseUnit(value.base);
    if (stored && std::isfinite(value.parameter->GetValueInInternalUnit())) continue;
    std::string cause = "cannot be converted to an internal value";
    const std::string errorAfter = GetLastErrorText();
    if (errorAfter != errorBefore && !errorAfter.empty()) cause += ": " + errorAfter;
    errors.Add(value.path, std::move(cause));
  }
}

}  // namespace kernel::setup_file
