#include "kernel/value_type.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kernel {
namespace {

struct TypeInfo {
  std::string_view name;
  int words;
  bool integer;
  double low;
  double high;
};

// Indexed by the type number.
constexpr std::array<TypeInfo, kValueTypeCount> kTypes{{
    {"double", 4, false, 0, 0},
    {"int16", 1, true, -32768.0, 32767.0},
    {"uint16", 1, true, 0.0, 65535.0},
    {"int32", 2, true, -2147483648.0, 2147483647.0},
    {"uint32", 2, true, 0.0, 4294967295.0},
    {"derived", 4, false, 0, 0},
    {"constant", 4, false, 0, 0},
}};

const TypeInfo& Info(ValueType type) { return kTypes[static_cast<size_t>(type)]; }

}  // namespace

bool IsIntegerType(ValueType type) { return Info(type).integer; }

int SizeInWords(ValueType type) { return Info(type).words; }

std::string_view ValueTypeName(ValueType type) { return Info(type).name; }

std::optional<ValueType> ValueTypeFromName(std::string_view name) {
  for (size_t i = 0; i < kTypes.size(); ++i)
    if (kTypes[i].name == name) return static_cast<ValueType>(i);
  return std::nullopt;
}

std::optional<ValueType> ValueTypeFromNumber(int number) {
  if (number < 0 || number >= kValueTypeCount) return std::nullopt;
  return static_cast<ValueType>(number);
}

double FitToType(ValueType type, double value) {
  const TypeInfo& info = Info(type);
  if (!info.integer) return value;
  return std::clamp(std::round(value), info.low, info.high);
}

}  // namespace kernel
