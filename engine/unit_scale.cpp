#include "engine/unit_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string_view>

#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/kernel_functions.h"
#include "kernel/name_key.h"

namespace engine {
namespace {

constexpr double kUnavailable = std::numeric_limits<double>::infinity();
// One drive angle unit: pi / 32767 rad.
constexpr double kDriveAngleUnit_rad = 9.587672516830327e-05;
// "TINCTST" counts electrical angle per fast-loop sample in units of 2^-32
// of the encoder-to-angle product.
constexpr double kAngleIncrementScale = 0x1p-32;

constexpr std::string_view kSupplyVolts = "V ";
constexpr std::string_view kDegreesCelsius = "\xC2\xB0"
                                             "C";

bool Is(std::string_view a, std::string_view b) { return kernel::SameName(a, b); }

template <class Names>
bool In(std::string_view name, const Names& names) {
  return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return Is(name, n); });
}
bool In(std::string_view name, std::initializer_list<std::string_view> names) {
  return In<std::initializer_list<std::string_view>>(name, names);
}

double Inverse(std::optional<double> scale) { return scale ? 1.0 / *scale : kUnavailable; }
double InverseAbs(std::optional<double> scale) { return scale ? 1.0 / std::fabs(*scale) : kUnavailable; }
double Direct(std::optional<double> value) { return value ? *value : kUnavailable; }

double Quotient(double numerator, double denominator) {
  const double q = numerator / denominator;
  return std::isfinite(q) && q != 0.0 ? q : kUnavailable;
}

std::optional<double> Value(CVX_Setup& setup, std::string_view name) { return Internal(setup, name); }

// Names whose limits or displays use the magnitude of the scale.
constexpr std::array<std::string_view, 7> kMagnitudePositions{
    "ERR_position", "FreezeControl_errband", "TestPosition", "POS_max", "POS_min", "PosRange_Minimum",
    "PosRange_Maximum"};
constexpr std::array<std::string_view, 3> kLoadPositions{"Load_Position", "APOS", "APOS_LD"};
constexpr std::array<std::string_view, 5> kSpeedLimitsAndTests{"ERR_speed", "ErefMaxSpeed", "TestSpeed", "SPD_max",
                                                               "SPD_min"};

double VoltFactor(CVX_Setup& setup, std::string_view name) {
  if (Is(name, "AnalogueInputsRange")) return 1.0;
  if (In(name, {"DeadBand_Point", "DeadBand_Range", "AD2", "AD2FIL_VAL", "AD5"})) {
    const auto range_V = Value(setup, "AnalogueInputsRange");
    return range_V ? Quotient(*range_V, Compute_ADCMaxValue(&setup)) : kUnavailable;
  }
  return Inverse(MotorVoltageScale(setup));
}

double PositionFactor(CVX_Setup& setup, bool rotary, std::string_view name) {
  // The two transmission terms carry a length or an angle, but they define
  // the position scale rather than count in it: converting them through it
  // would feed each value back into its own factor.
  if (In(name, {"Motor_transmission", "Load_transmission"})) return 1.0;
  if (rotary && In(name, {"Motor_Position", "APOS_MT"})) return Inverse(MotorPositionScale(setup));
  if (In(name, kLoadPositions) && IsOpenLoop(setup)) return Inverse(LoadPositionScale(setup));
  if (rotary && Is(name, "THTST")) return kDriveAngleUnit_rad;
  if (In(name, kMagnitudePositions)) return InverseAbs(PositionScale(setup));
  return Inverse(PositionScale(setup));
}

double AngleIncrementFactor(CVX_Setup& setup) {
  const auto ts = FastLoopPeriod(setup);
  const auto counts = Value(setup, "MECRESL");
  const auto toAngle = Value(setup, "ENC2THL");
  if (!ts || !counts || !toAngle) return kUnavailable;
  const double increments = RoundDecimalValue(*counts * *toAngle * kAngleIncrementScale, 0);
  return Quotient(kDriveAngleUnit_rad / *ts, increments);
}

double RotarySpeedFactor(CVX_Setup& setup, std::string_view name) {
  if (!IsOpenLoop(setup)) {
    if (In(name, {"Motor_Speed", "ASPD", "ASPD_MT", "SPDREF", "SPDREFL", "Motor_Speed_Reference",
                  "PhaseAdvance_speed"}))
      return Inverse(MotorSpeedScale(setup));
    if (Is(name, "TINCTST")) return AngleIncrementFactor(setup);
    if (Is(name, "Limit_Speed") || In(name, kSpeedLimitsAndTests)) return InverseAbs(SpeedScale(setup));
    return Inverse(SpeedScale(setup));
  }
  if (In(name, {"SPDREF", "SPDREFL", "Motor_Speed_Reference", "transition_speed"}))
    return Inverse(StepSpeedScale(setup));
  if (Is(name, "Limit_Speed")) return InverseAbs(StepSpeedScale(setup));
  if (In(name, {"Motor_Speed", "ASPD", "ASPD_MT"})) return Inverse(MotorSpeedScale(setup));
  if (In(name, {"Load_Speed", "ASPD_LD"})) return Inverse(LoadSpeedScale(setup));
  if (Is(name, "PhaseAdvance_speed") || In(name, kSpeedLimitsAndTests)) return InverseAbs(SpeedScale(setup));
  return Inverse(SpeedScale(setup));
}

double LinearSpeedFactor(CVX_Setup& setup, std::string_view name) {
  if (!IsOpenLoop(setup)) {
    if (Is(name, "PhaseAdvance_speed")) return Inverse(MotorSpeedScale(setup));
    return Inverse(SpeedScale(setup));
  }
  if (In(name, {"Load_Speed", "ASPD_LD"})) return Inverse(LoadSpeedScale(setup));
  if (Is(name, "Limit_Speed")) return InverseAbs(StepSpeedScale(setup));
  if (Is(name, "PhaseAdvance_speed") || In(name, kSpeedLimitsAndTests)) return InverseAbs(SpeedScale(setup));
  return Inverse(SpeedScale(setup));
}

double AccelerationFactor(CVX_Setup& setup, std::string_view name) {
  if (In(name, {"Limit_Acceleration", "ACC_LIMIT"}) && IsOpenLoop(setup))
    return Inverse(StepAccelerationScale(setup));
  return Inverse(AccelerationScale(setup));
}

double TemperatureFactor(CVX_Setup& setup) {
  const auto range_V = Value(setup, "ADCrange");
  const auto gain_V_per_C = Value(setup, "DriveTempSensorGain");
  if (!range_V || !gain_V_per_C) return kUnavailable;
  return Quotient(*range_V, Compute_ADCMaxValue(&setup) * *gain_V_per_C);
}

double PerSlowPeriod(double factor, CVX_Setup& setup) {
  const auto ts = SlowLoopPeriod(setup);
  return ts ? Quotient(factor, *ts) : kUnavailable;
}

}  // namespace

double ScaleFactor(CVX_Setup& setup, std::string_view unit, std::string_view name) {
  // The blank matters: "V " is the supply, "V" the motor and the inputs.
  if (Is(unit, kSupplyVolts)) return Inverse(VoltageScale(setup));
  if (Is(unit, "V")) return VoltFactor(setup, name);
  if (Is(unit, "A")) return Inverse(CurrentScale(setup));
  if (Is(unit, "s")) return Direct(Is(name, "Ts_C") ? FastLoopPeriod(setup) : SlowLoopPeriod(setup));
  if (Is(unit, "rad")) return PositionFactor(setup, true, name);
  if (Is(unit, "m")) return PositionFactor(setup, false, name);
  if (Is(unit, "rad/s")) return RotarySpeedFactor(setup, name);
  if (Is(unit, "m/s")) return LinearSpeedFactor(setup, name);
  if (Is(unit, "rad/s^2") || Is(unit, "m/s^2")) return AccelerationFactor(setup, name);
  if (Is(unit, "rad/s^3") || Is(unit, "m/s^3")) return Inverse(JerkScale(setup));
  if (Is(unit, kDegreesCelsius)) return TemperatureFactor(setup);
  if (Is(unit, "V/s")) return PerSlowPeriod(Inverse(MotorVoltageScale(setup)), setup);
  if (Is(unit, "A/s")) return PerSlowPeriod(Inverse(CurrentScale(setup)), setup);
  return 1.0;
}

double ScaleOffset(CVX_Setup& setup, std::string_view unit) {
  if (!Is(unit, kDegreesCelsius)) return 0.0;
  // The sensor's output at 0 °C, in converter counts.
  const auto range_V = Value(setup, "ADCrange");
  const auto atZero_V = Value(setup, "DriveTempOutputAt0oC");
  if (!range_V || !atZero_V) return std::numeric_limits<double>::quiet_NaN();
  const double offset = -(Compute_ADCMaxValue(&setup) * *atZero_V / *range_V);
  return std::isfinite(offset) ? offset : std::numeric_limits<double>::quiet_NaN();
}

double ScaleFactor(CVX_Setup* setup, const char* unitType, const char* name) {
  if (!setup || !unitType) return 1.0;
  return ScaleFactor(*setup, unitType, name ? name : "");
}

double ScaleOffset(CVX_Setup* setup, const char* unitType) {
  if (!setup || !unitType) return 0.0;
  return ScaleOffset(*setup, unitType);
}

}  // namespace engine
