#include "engine/time_rescale.h"

#include <array>
#include <cmath>
#include <optional>
#include <string_view>

#include "engine/sequences.h"
#include "engine/setup_access.h"
#include "kernel/name_key.h"
#include "kernel/parameter.h"
#include "kernel/value_type.h"

namespace engine {
namespace {

// How an internal value scales with the tick length, by unit family: the
// power of the ratio it is multiplied with.
struct TimeDependence {
  std::string_view unitType;
  int power;
};
constexpr std::array<TimeDependence, 6> kTimeDependences{{
    {"s", 1},
    {"rad/s", -1},
    {"m/s", -1},
    {"rad/s^2", -2},
    {"m/s^2", -2},
    {"A/s", -1},
}};

std::optional<int> RatioPower(const CVX_Parameter& parameter) {
  for (const TimeDependence& d : kTimeDependences)
    if (kernel::SameName(parameter.GetUnitType(), d.unitType)) return d.power;
  return std::nullopt;
}

bool Rescalable(const CVX_Parameter& parameter) {
  const auto type = parameter.GetValueType();
  return type != kernel::ValueType::kDerived && type != kernel::ValueType::kConstant;
}

// Whether the parameter holds `internal` as its type stores it.
bool Kept(const CVX_Parameter& parameter, double internal) {
  return parameter.GetValueInInternalUnit() == kernel::FitToType(parameter.GetValueType(), internal);
}

// An i2t protection allows current^2 * time; when its time was clipped the
// current grows by sqrt(wanted / kept).
struct I2tPair {
  const char* time;
  const char* current;
};
constexpr std::array<I2tPair, 2> kI2tPairs{{{"t_I2t_D", "I_I2t_D"}, {"t_I2t_M", "I_I2t_M"}}};

// Differences below this share are the rounding of the two conversions, not
// a clipped time.
constexpr double kSameTimeTolerance = 1e-9;

void KeepI2tProduct(CVX_Setup& setup, const I2tPair& pair, std::optional<double> expected_s) {
  const auto actual_s = Base(setup, pair.time);
  const auto current_A = Base(setup, pair.current);
  if (!expected_s || !actual_s || !current_A || !(*actual_s > 0.0)) return;
  if (std::fabs(*expected_s - *actual_s) <= kSameTimeTolerance * std::fabs(*expected_s)) return;
  WriteBase(setup, pair.current, *current_A * std::sqrt(*expected_s / *actual_s));
}

}  // namespace

void RegisterRoundTrip(CVX_Setup& setup) {
  ComputeRegisterParameters(setup);
  RecoverUserParameters(setup);
}

int RescaleTimeParameters(CVX_Setup& setup, double ratio, RoundTripFn roundTrip) {
  if (!std::isfinite(ratio) || !(ratio > 0.0)) return 0;

  // The times read now already count the new ticks; times the ratio is what
  // they will show once rescaled.
  std::array<std::optional<double>, kI2tPairs.size()> expected_s;
  for (size_t i = 0; i < kI2tPairs.size(); ++i) {
    const auto now_s = Base(setup, kI2tPairs[i].time);
    if (now_s) expected_s[i] = *now_s * ratio;
  }

  // By index: the round trip may run in between.
  for (int i = 0; i < setup.GetParametersCount(); ++i) {
    CVX_Parameter* parameter = setup.GetParameters()[i];
    const auto power = RatioPower(*parameter);
    if (!power || !Rescalable(*parameter)) continue;
    const double internal = parameter->GetValueInInternalUnit() * std::pow(ratio, *power);
    if (!WriteInternal(parameter, internal) || Kept(*parameter, internal)) continue;
    if (roundTrip) roundTrip(setup);
    WriteInternal(parameter, internal);
  }

  for (size_t i = 0; i < kI2tPairs.size(); ++i) KeepI2tProduct(setup, kI2tPairs[i], expected_s[i]);
  return 1;
}

}  // namespace engine
