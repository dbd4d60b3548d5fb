#include "engine/parameter_limits.h"

#include <algorithm>
#include <array>
#include <string>

#include "engine/loop_periods.h"
#include "engine/setup_access.h"
#include "kernel/parameter.h"

namespace engine {
namespace {

// Time registers count slow-loop samples in 15 or 16 bits.
constexpr double kSignedTicksMax = 32767.0;
constexpr double kUnsignedTicksMax = 65535.0;

constexpr double kExtendedMicrostepsMax = 512.0;
constexpr double kSerialWordBitsMax = 32.0;
constexpr int kBiquadFiltersMax = 10;
constexpr int kBiquadFiltersDefault = 10;

// Sets only the maximum, keeping the present minimum.
int SetMaximum(CVX_Parameter* parameter, double high) {
  if (!parameter) return 0;
  return SetParameterLimits(parameter, parameter->GetMinimum(), high);
}

int SetMaximum(CVX_Setup& setup, const char* name, double high) { return SetMaximum(Find(setup, name), high); }

int SetLimits(CVX_Setup& setup, const char* name, double low, double high) {
  return SetParameterLimits(Find(setup, name), low, high);
}

}  // namespace

int SetParameterLimits(CVX_Parameter* parameter, double low, double high) {
  if (!parameter) return 0;
  return SetLimitsInOrder(*parameter, low, high);
}

int LimitControlErrorTimes(CVX_Setup& setup) {
  const auto ts = SlowLoopPeriod(setup);
  if (!ts) return 0;
  const int speed = SetMaximum(setup, "time_ERR_spd", kSignedTicksMax * *ts);
  const int position = SetMaximum(setup, "time_ERR_pos", kSignedTicksMax * *ts);
  return speed & position;
}

int LimitBandwidths(CVX_Setup& setup) {
  struct Band {
    const char* name;
    const char* minimum;
    const char* maximum;
  };
  static constexpr std::array<Band, 3> kBands{{
      {"PB_C", "PB_C_minim", "PB_C_maxim"},
      {"PB_S", "PB_S_minim", "PB_S_maxim"},
      {"PB_P", "PB_P_minim", "PB_P_maxim"},
  }};
  int all = 1;
  for (const Band& band : kBands) {
    const auto low = Base(setup, band.minimum);
    const auto high = Base(setup, band.maximum);
    all &= (low && high) ? SetLimits(setup, band.name, *low, *high) : 0;
  }
  return all;
}

int LimitTestMoveTimes(CVX_Setup& setup) {
  const auto ts = SlowLoopPeriod(setup);
  if (!ts) return 0;
  int all = 1;
  for (const char* name : {"TPP", "TNP", "TPS", "TNS", "TaPS", "TaNS"})
    all &= SetLimits(setup, name, *ts, kUnsignedTicksMax * *ts);
  // The position test's ramps need two samples.
  for (const char* name : {"TaPP", "TaNP"}) all &= SetLimits(setup, name, 2.0 * *ts, kUnsignedTicksMax * *ts);
  return all;
}

int LimitAnalogueFilter(CVX_Setup& setup) {
  const auto ts = SlowLoopPeriod(setup);
  if (!ts) return 0;
  return SetMaximum(setup, "filter", 1.0 / (2.0 * *ts));
}

VoltRange DeadBandPointLimits(double inputRange_V) {
  switch (static_cast<int>(inputRange_V)) {
    case 20:
      return {-10.0, 10.0};
    case 5:
      return {0.0, 5.0};
    default:
      return {0.0, 3.3};
  }
}

int LimitDeadBand(CVX_Setup& setup) {
  const auto range_V = Base(setup, "AnalogueInputsRange");
  CVX_Parameter* point = Find(setup, "DeadBand_Point");
  CVX_Parameter* band = Find(setup, "DeadBand_Range");
  if (!range_V || !point || !band) return 0;
  const VoltRange limits = DeadBandPointLimits(*range_V);
  if (!SetParameterLimits(point, limits.low_V, limits.high_V)) return 0;
  double width_V = limits.high_V - limits.low_V;
  if (!OptionSet(setup, "NewDeadBand")) {
    // The stored point may still lie outside the limits just set; the kernel
    // clips it there on the next write, so measure from where it will be.
    const double at_V = std::clamp(point->GetValueInBaseUnit(), limits.low_V, limits.high_V);
    width_V = std::min(at_V - limits.low_V, limits.high_V - at_V);
  }
  return SetParameterLimits(band, 0.0, width_V);
}

int LimitMaxCurrent(CVX_Setup& setup) {
  const auto motor_A = Base(setup, "In");
  const auto drive_A = Base(setup, "InPS");
  if (!motor_A || !drive_A) return 0;
  return SetLimits(setup, "MAX_CURRENT", 0.0, std::min(*motor_A, *drive_A));
}

int LimitMicrosteps(CVX_Setup& setup) { return SetLimits(setup, "NoMicroStepsPerStep", 0.0, kExtendedMicrostepsMax); }

int LimitSsiOffset(CVX_Setup& setup) {
  const auto bits = Base(setup, "SSI_No_Bits_Revolution");
  if (!bits) return 0;
  return SetMaximum(setup, "SSI_Offset", std::exp2(std::min(*bits, kSerialWordBitsMax)));
}

int MaxBiquadFilters(CVX_Setup& setup) {
  if (Base(setup, "PosSpd_in_FastLoop") == 1.0) return 0;
  if (setup.GetOptionNoError("MaxFilters").empty()) return kBiquadFiltersDefault;
  return setup.GetIntOption("MaxFilters");
}

int LimitBiquadCorners(CVX_Setup& setup) {
  const auto ts = SlowLoopPeriod(setup);
  if (!ts) return 0;
  const int filters = std::min(MaxBiquadFilters(setup), kBiquadFiltersMax);
  int all = 1;
  for (int k = 1; k <= filters; ++k)
    all &= SetMaximum(setup, ("BQFilterF1" + std::to_string(k)).c_str(), 0.5 / *ts - 1.0);
  return all;
}

}  // namespace engine
