#include "kernel/setup_file_read.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <fmt/format.h>

#include "kernel/name_key.h"

namespace kernel::setup_file {
namespace {

std::string IntegerRange(long long min, long long max) {
  if (min == INT_MIN && max == INT_MAX) return "an integer";
  if (max == INT_MAX) return fmt::format("an integer of at least {}", min);
  return fmt::format("an integer from {} to {}", min, max);
}

std::string Found(const Json& value) {
  if (value.is_number()) return NumberText(value.get<double>());
  if (value.is_string()) return Quoted(value.get_ref<const std::string&>());
  if (value.is_boolean() || value.is_null()) return value.dump();
  return std::string(KindOf(value));
}

std::string KnownKeys(std::initializer_list<std::string_view> known) {
  std::string list;
  for (std::string_view key : known) {
    if (!list.empty()) list += ", ";
    list += key;
  }
  return list;
}

}  // namespace

std::optional<std::string> ReadText(const Json& value, const std::string& path, ErrorList& errors) {
  if (value.is_string()) return value.get<std::string>();
  errors.Add(path, fmt::format("must be text, found {}", Found(value)));
  return std::nullopt;
}

std::optional<long long> ReadInteger(const Json& value, const std::string& path, ErrorList& errors, long long min,
                                     long long max) {
  if (value.is_number_unsigned()) {
    const auto number = value.get<std::uint64_t>();
    if (number <= static_cast<std::uint64_t>(max) && static_cast<long long>(number) >= min)
      return static_cast<long long>(number);
  } else if (value.is_number_integer()) {
    const auto number = value.get<std::int64_t>();
    if (number >= min && number <= max) return number;
  }
  errors.Add(path, fmt::format("must be {}, found {}", IntegerRange(min, max), Found(value)));
  return std::nullopt;
}

std::optional<double> ReadFinite(const Json& value, const std::string& path, ErrorList& errors) {
  if (value.is_number()) {
    const double number = value.get<double>();
    // The reader already refuses a literal too large for a double ("1e999").
    if (std::isfinite(number)) return number;
    errors.Add(path, "must be a finite number");
    return std::nullopt;
  }
  errors.Add(path, fmt::format("must be a number, found {}", Found(value)));
  return std::nullopt;
}

std::optional<bool> ReadFlag(const Json& value, const std::string& path, ErrorList& errors) {
  if (value.is_boolean()) return value.get<bool>();
  errors.Add(path, fmt::format("must be true or false, found {}", Found(value)));
  return std::nullopt;
}

Members::Members(const Json& value, std::string path, ErrorList& errors,
                 std::initializer_list<std::string_view> known)
    : path_(std::move(path)), errors_(errors), isObject_(value.is_object()) {
  if (!isObject_) {
    errors_.Add(path_, fmt::format("must be an object, found {}", Found(value)));
    return;
  }
  for (auto it = value.begin(); it != value.end(); ++it) {
    const std::string& key = it.key();
    const auto match = std::find(known.begin(), known.end(), key);
    if (match != known.end()) {
      found_.emplace_back(*match, &it.value());
      continue;
    }
    const auto near = std::find_if(known.begin(), known.end(), [&](std::string_view k) { return SameName(k, key); });
    if (near != known.end())
      errors_.Add(PathOf(key), fmt::format("unknown key (keys are case-sensitive: \"{}\")", *near));
    else
      errors_.Add(PathOf(key), fmt::format("unknown key (expected one of: {})", KnownKeys(known)));
  }
}

const Json* Members::Get(std::string_view key) const {
  for (const auto& [name, value] : found_)
    if (name == key) return value;
  return nullptr;
}

const Json* Members::Require(std::string_view key) { return Find(key, true); }

const Json* Members::Find(std::string_view key, bool required) {
  const Json* value = Get(key);
  if (!value && required && isObject_) errors_.Add(PathOf(key), "missing (required)");
  return value;
}

std::optional<std::string> Members::Text(std::string_view key, bool required) {
  const Json* value = Find(key, required);
  return value ? ReadText(*value, PathOf(key), errors_) : std::nullopt;
}

std::optional<long long> Members::Integer(std::string_view key, bool required, long long min, long long max) {
  const Json* value = Find(key, required);
  return value ? ReadInteger(*value, PathOf(key), errors_, min, max) : std::nullopt;
}

std::optional<double> Members::Finite(std::string_view key, bool required) {
  const Json* value = Find(key, required);
  return value ? ReadFinite(*value, PathOf(key), errors_) : std::nullopt;
}

std::optional<bool> Members::Flag(std::string_view key, bool required) {
  const Json* value = Find(key, required);
  return value ? ReadFlag(*value, PathOf(key), errors_) : std::nullopt;
}

std::optional<UnitChoice> ResolveUnit(const CVX_Setup& setup, const Members& members, const std::string& family,
                                      const std::optional<std::string>& display, ErrorList& errors) {
  if (family.empty()) {
    if (display && !display->empty()) {
      errors.Add(members.PathOf("display"), "a dimensionless value has no display unit");
      return std::nullopt;
    }
    return UnitChoice{};
  }
  const CVX_Unit* base = setup.FindUnit(family);
  if (!base) {
    errors.Add(members.PathOf("unit"), "unknown unit family " + Quoted(family));
    return std::nullopt;
  }
  if (!base->IsBase()) {
    errors.Add(members.PathOf("unit"),
               fmt::format("{} is a unit of the family {}, not a family", Quoted(base->name), Quoted(base->family)));
    return std::nullopt;
  }
  UnitChoice choice{base->name, base->name};
  if (!display) return choice;
  const CVX_Unit* shown = setup.FindUnit(*display);
  if (!shown) {
    errors.Add(members.PathOf("display"), "unknown unit " + Quoted(*display));
    return std::nullopt;
  }
  if (shown->family != base->name) {
    errors.Add(members.PathOf("display"),
               fmt::format("{} is not a unit of the family {}", Quoted(shown->name), Quoted(base->name)));
    return std::nullopt;
  }
  choice.display = shown->name;
  return choice;
}

}  // namespace kernel::setup_file
