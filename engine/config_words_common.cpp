#include "engine/config_words_common.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/parameter_limits.h"
#include "engine/setup_access.h"
#include "kernel/parameter.h"

namespace engine::words {
namespace {

constexpr double kFlagOn = 1.0;
// Beyond this a value is no word and no choice (the int64 cast would fail).
constexpr double kIntegerMagnitudeMax = 9.0e15;

std::optional<bool> IsOne(std::optional<double> value) {
  if (!value) return std::nullopt;
  return *value == kFlagOn;
}

}  // namespace

std::optional<Word> Read(CVX_Setup& setup, std::string_view name) {
  const auto value = Base(setup, name);
  if (!value || std::fabs(*value) > kIntegerMagnitudeMax) return std::nullopt;
  const auto integer = static_cast<int64_t>(std::trunc(*value));
  return static_cast<Word>(static_cast<uint64_t>(integer) & 0xFFFFFFFFu);
}

int Write(CVX_Parameter* word, Word value) {
  if (!word) return 0;
  double stored = static_cast<double>(value);
  switch (word->GetValueType()) {
    case kernel::ValueType::kInt16:
      stored = static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFFu));
      break;
    case kernel::ValueType::kInt32:
      stored = static_cast<int32_t>(value);
      break;
    default:
      break;
  }
  return WriteBase(word, stored);
}

std::optional<int> Choice(CVX_Setup& setup, std::string_view name) {
  const auto value = Base(setup, name);
  if (!value || std::fabs(*value) > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(std::lround(*value));
}

std::optional<bool> Flag(CVX_Setup& setup, std::string_view name) { return IsOne(Base(setup, name)); }

std::optional<bool> FlagInternal(CVX_Setup& setup, std::string_view name) { return IsOne(Internal(setup, name)); }

bool FlagIfPresent(CVX_Setup& setup, std::string_view name) { return Flag(setup, name).value_or(false); }

int RecoverValue(CVX_Setup& setup, std::string_view name, double value, double low, double high) {
  CVX_Parameter* target = Find(setup, name);
  if (!SetParameterLimits(target, low, high)) return 0;
  return WriteBase(target, value);
}

int RecoverValueInternal(CVX_Setup& setup, std::string_view name, double value, double low, double high) {
  CVX_Parameter* target = Find(setup, name);
  if (!SetParameterLimits(target, low, high)) return 0;
  return WriteInternal(target, value);
}

int RecoverFlag(CVX_Setup& setup, std::string_view name, bool on) {
  return RecoverValue(setup, name, on ? 1.0 : 0.0, 0.0, 1.0);
}

}  // namespace engine::words
