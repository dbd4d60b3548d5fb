#include "input/json_read.h"

#include <algorithm>
#include <cstdint>

#include <fmt/format.h>

namespace input {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

std::string IntegerRange(long long min, long long max) {
  if (min == INT_MIN && max == INT_MAX) return "an integer";
  if (max == INT_MAX) return fmt::format("an integer of at least {}", min);
  if (min == INT_MIN) return fmt::format("an integer of at most {}", max);
  return fmt::format("an integer from {} to {}", min, max);
}

std::string NumberRange(double min, double max) {
  const bool low = min > -kUnbounded;
  const bool high = max < kUnbounded;
  if (low && high) return fmt::format("a number from {} to {}", NumberText(min), NumberText(max));
  if (low) return fmt::format("a number of at least {}", NumberText(min));
  if (high) return fmt::format("a number of at most {}", NumberText(max));
  return "a number";
}

std::string NameList(const std::vector<std::string_view>& names) {
  std::string list;
  for (std::string_view name : names) {
    if (!list.empty()) list += ", ";
    list += Quoted(name);
  }
  return list;
}

std::string KeyList(const std::vector<std::string_view>& keys) {
  std::string list;
  for (std::string_view key : keys) {
    if (!list.empty()) list += ", ";
    list += key;
  }
  return list;
}

}  // namespace

std::string_view KindOf(const Json& value) { return value.type_name(); }

std::string Found(const Json& value) {
  if (value.is_number_float()) return FloatText(value.get<double>());
  if (value.is_number()) return value.dump();
  if (value.is_string()) return Quoted(value.get_ref<const std::string&>());
  if (value.is_boolean() || value.is_null()) return value.dump();
  return std::string(KindOf(value));
}

std::optional<std::string> ReadText(const Json& value, const std::string& path, ErrorList& errors, bool allowEmpty) {
  if (!value.is_string()) {
    errors.Add(path, fmt::format("must be text, found {}", Found(value)));
    return std::nullopt;
  }
  if (!allowEmpty && value.get_ref<const std::string&>().empty()) {
    errors.Add(path, "must not be empty");
    return std::nullopt;
  }
  return value.get<std::string>();
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
  } else if (value.is_number_float()) {
    // "4095.0" is a floating-point number, even though it is whole.
    const std::string range = IntegerRange(min, max);
    errors.Add(path, range == "an integer" ? fmt::format("{} is not an integer", Found(value))
                                           : fmt::format("{} is not an integer (must be {})", Found(value), range));
    return std::nullopt;
  }
  errors.Add(path, fmt::format("must be {}, found {}", IntegerRange(min, max), Found(value)));
  return std::nullopt;
}

std::optional<double> ReadNumber(const Json& value, const std::string& path, ErrorList& errors, double min,
                                 double max) {
  if (!value.is_number()) {
    errors.Add(path, fmt::format("must be {}, found {}", NumberRange(min, max), Found(value)));
    return std::nullopt;
  }
  const double number = value.get<double>();
  // The parser refuses a literal too large for a double ("1e999"); a value
  // built in memory may still hold one.
  if (!std::isfinite(number)) {
    errors.Add(path, "must be a finite number");
    return std::nullopt;
  }
  if (number < min || number > max) {
    errors.Add(path, fmt::format("must be {}, found {}", NumberRange(min, max), Found(value)));
    return std::nullopt;
  }
  return number;
}

std::optional<bool> ReadFlag(const Json& value, const std::string& path, ErrorList& errors) {
  if (value.is_boolean()) return value.get<bool>();
  errors.Add(path, fmt::format("must be true or false, found {}", Found(value)));
  return std::nullopt;
}

std::optional<std::size_t> ReadChoice(const Json& value, const std::string& path, ErrorList& errors,
                                      const std::vector<std::string_view>& names) {
  if (value.is_string()) {
    const auto it = std::find(names.begin(), names.end(), value.get_ref<const std::string&>());
    if (it != names.end()) return static_cast<std::size_t>(it - names.begin());
  }
  errors.Add(path, fmt::format("must be one of {}, found {}", NameList(names), Found(value)));
  return std::nullopt;
}

const Json* ReadList(const Json& value, const std::string& path, ErrorList& errors, std::string_view what) {
  if (value.is_array()) return &value;
  errors.Add(path, fmt::format("must be {}, found {}", what, Found(value)));
  return nullptr;
}

Members::Members(const Json& value, std::string path, ErrorList& errors, std::vector<std::string_view> known)
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
    const auto near =
        std::find_if(known.begin(), known.end(), [&](std::string_view k) { return SameIgnoringCase(k, key); });
    if (near != known.end())
      errors_.Add(PathOf(key), fmt::format("unknown key (keys are case-sensitive: \"{}\")", *near));
    else
      errors_.Add(PathOf(key), fmt::format("unknown key (expected one of: {})", KeyList(known)));
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
  if (!value && required && isObject_) errors_.Add(path_, fmt::format("missing \"{}\"", key));
  return value;
}

std::optional<std::string> Members::Text(std::string_view key, bool required, bool allowEmpty) {
  const Json* value = Find(key, required);
  return value ? ReadText(*value, PathOf(key), errors_, allowEmpty) : std::nullopt;
}

std::optional<long long> Members::Integer(std::string_view key, bool required, long long min, long long max) {
  const Json* value = Find(key, required);
  return value ? ReadInteger(*value, PathOf(key), errors_, min, max) : std::nullopt;
}

std::optional<double> Members::Number(std::string_view key, bool required, double min, double max) {
  const Json* value = Find(key, required);
  return value ? ReadNumber(*value, PathOf(key), errors_, min, max) : std::nullopt;
}

std::optional<bool> Members::Flag(std::string_view key, bool required) {
  const Json* value = Find(key, required);
  return value ? ReadFlag(*value, PathOf(key), errors_) : std::nullopt;
}

std::optional<std::size_t> Members::Choice(std::string_view key, bool required,
                                           const std::vector<std::string_view>& names) {
  const Json* value = Find(key, required);
  return value ? ReadChoice(*value, PathOf(key), errors_, names) : std::nullopt;
}

std::optional<std::vector<std::string>> Members::TextList(std::string_view key, bool required, bool allowEmpty) {
  const Json* value = Find(key, required);
  if (!value) return std::nullopt;
  const std::string path = PathOf(key);
  if (!ReadList(*value, path, errors_, "a list of texts")) return std::nullopt;
  std::vector<std::string> texts;
  bool ok = true;
  for (std::size_t i = 0; i < value->size(); ++i) {
    auto text = ReadText((*value)[i], ElementPath(path, i), errors_, allowEmpty);
    if (text) texts.push_back(std::move(*text));
    else ok = false;
  }
  if (!ok) return std::nullopt;
  return texts;
}

}  // namespace input
