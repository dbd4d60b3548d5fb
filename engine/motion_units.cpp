#include "engine/motion_units.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/kernel_functions.h"

namespace engine {
namespace {

constexpr double kCountsPerLine = 4.0;
// Serial encoders deliver at most a 32-bit word per revolution.
constexpr double kSerialBitsMax = 32.0;
// The transmission register takes the ratio to five decimals.
constexpr double kRatioQuantum = 100000.0;
// "KOMEGA_test" was tuned at this many microsteps per step.
constexpr double kKomegaMicrosteps = 256.0;

std::optional<double> Finite(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int> SensorType(CVX_Setup& setup, const char* name) {
  const auto v = Base(setup, name);
  if (!v || std::fabs(*v) > 1e9) return std::nullopt;
  return static_cast<int>(*v);
}

// Counts per revolution of one sensor; `load` picks the load sensor's
// parameters. The further interpolation "ELRES_FRACT" serves either sensor.
std::optional<double> CountsPerRevolution(CVX_Setup& setup, int type, bool load) {
  const auto name = [load](const char* base) { return std::string(base) + (load ? "_LD" : ""); };
  if (type == kSensorSsi || type == kSensorBiss) {
    const auto bits = Base(setup, name("SSI_No_Bits_Revolution"));
    return bits ? Finite(std::exp2(std::min(*bits, kSerialBitsMax))) : std::nullopt;
  }
  const auto lines = Base(setup, name("No_encoder_lines"));
  if (!lines) return std::nullopt;
  if (type != kSensorSineCosine) return kCountsPerLine * *lines;
  const auto fraction = Base(setup, name("SINCOS_fract"));
  if (!fraction) return std::nullopt;
  const double further = Base(setup, "ELRES_FRACT").value_or(0.0);
  return Finite(kCountsPerLine * *lines * std::exp2(*fraction + further));
}

std::optional<bool> LinearLoad(CVX_Setup& setup) {
  const auto type = Base(setup, "TransmissionType");
  if (!type) return std::nullopt;
  return *type != 0.0;
}

int WriteTransmission(CVX_Setup& setup, CVX_Parameter* target, double value, bool internal) {
  if (!OptionSet(setup, "hasNegTransmission")) value = std::fabs(value);
  return internal ? WriteInternal(target, value) : WriteBase(target, value);
}

std::optional<double> MicrostepsPerRevolution(CVX_Setup& setup) {
  const auto steps = Base(setup, "NoMotorSteps");
  const auto microsteps = Base(setup, "NoMicroStepsPerStep");
  if (!steps || !microsteps) return std::nullopt;
  return Finite(*steps * *microsteps);
}

int WriteCounts(CVX_Setup& setup, const char* name, std::optional<double> counts) {
  CVX_Parameter* target = Find(setup, name);
  if (!target || !counts) return 0;
  return WriteBase(target, *counts);
}

}  // namespace

std::optional<double> ActiveSensorCountsPerRevolution(CVX_Setup& setup) {
  const auto motor = SensorType(setup, "MotorSensorType");
  const auto load = SensorType(setup, "LoadSensorType");
  if (!motor || !load) return std::nullopt;
  if (*motor != kSensorNone && *load == kSensorNone) return CountsPerRevolution(setup, *motor, false);
  if (*load == kSensorNone) return 0.0;
  const auto linear = LinearLoad(setup);
  if (!linear) return std::nullopt;
  return *linear ? 0.0 : CountsPerRevolution(setup, *load, true);
}

int ComputeEncRes(CVX_Setup& setup) { return WriteCounts(setup, "EncRes", ActiveSensorCountsPerRevolution(setup)); }

int ComputeENCRESLONG(CVX_Setup& setup) {
  return WriteCounts(setup, "ENCRESLONG", ActiveSensorCountsPerRevolution(setup));
}

int ComputeSTEPRES(CVX_Setup& setup) { return WriteCounts(setup, "STEPRES", MicrostepsPerRevolution(setup)); }

int ComputeSTEPRESLONG(CVX_Setup& setup) {
  return WriteCounts(setup, "STEPRESLONG", MicrostepsPerRevolution(setup));
}

int ComputeSTALLLIM(CVX_Setup& setup) {
  const auto lines = Base(setup, "No_encoder_lines");
  const auto steps = Base(setup, "NoMotorSteps");
  if (!lines || !steps) return 0;
  return WriteCounts(setup, "STALLLIM", Finite(*lines * kCountsPerLine / *steps));
}

int ComputeTRANSMISSION(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "TRANSMISSION");
  const auto motorTurns = Base(setup, "Motor_transmission");
  const auto loadTurns = Base(setup, "Load_transmission");
  const auto controlType = Base(setup, "StepperControlType");
  const auto motor = SensorType(setup, "MotorSensorType");
  const auto load = SensorType(setup, "LoadSensorType");
  if (!target || !motorTurns || !loadTurns || !controlType || !motor || !load) return 0;
  const double ratio = *motorTurns / *loadTurns;
  if (!std::isfinite(ratio)) return 0;
  const double rounded = std::floor(ratio * kRatioQuantum + 0.5) / kRatioQuantum;

  if (*controlType != 0.0) {
    if (*load == kSensorNone) return WriteTransmission(setup, target, ratio < 0.0 ? -1.0 : 1.0, false);
    const auto motorSpeed = MotorSpeedScale(setup);
    const auto loadSpeed = SpeedScale(setup);
    if (!motorSpeed || !loadSpeed) return 0;
    return WriteTransmission(setup, target, std::fabs(*motorSpeed) / std::fabs(*loadSpeed) * rounded, false);
  }

  std::optional<double> sensorCounts;
  if (*load == kSensorNone) {
    sensorCounts = CountsPerRevolution(setup, *motor, false);
  } else if (*load == kSensorSsi || *load == kSensorBiss || *load == kSensorSineCosine) {
    sensorCounts = CountsPerRevolution(setup, *load, true);
  } else if (const auto linear = LinearLoad(setup); linear && *linear) {
    const auto resolution = Base(setup, "Resolution_LD");
    if (resolution) sensorCounts = Finite(kTwoPi / *resolution);
  } else if (linear) {
    sensorCounts = CountsPerRevolution(setup, kSensorIncremental, true);
  }
  const auto microsteps = MicrostepsPerRevolution(setup);
  if (!sensorCounts || !microsteps || *sensorCounts == 0.0) return 0;
  return WriteTransmission(setup, target, *microsteps / *sensorCounts * rounded, true);
}

MicrostepCount PowerOfTwoMicrosteps(double entered) {
  const double count = std::isfinite(entered) ? std::trunc(entered) : 0.0;
  if (!(count > 0.0)) return {1.0, false};
  // Rounding the exponent picks the nearer power on a logarithmic scale, so
  // the count lies below sqrt(2) times the power: it is always nearer to the
  // power than to twice the power, and twice the power is never the answer.
  const double power = std::exp2(RoundDecimalValue(std::log2(count), 0));
  return {power, count != power};
}

std::optional<MicrostepCount> ApplyMicrostepRule(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "NoMicroStepsPerStep");
  const auto entered = Base(setup, "NoMicroStepsPerStep");
  if (!target || !entered) return std::nullopt;
  const MicrostepCount accepted = PowerOfTwoMicrosteps(*entered);
  if (accepted.value != *entered) WriteBase(target, accepted.value);
  if (Has(setup, "SOL_controller_mode")) ComputeKOMEGA(setup);
  return accepted;
}

int ComputeKOMEGA(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "KOMEGA");
  const auto microsteps = Base(setup, "NoMicroStepsPerStep");
  const auto tested = Internal(setup, "KOMEGA_test");
  if (!target || !microsteps || !tested || *microsteps == 0.0) return 0;
  return WriteInternal(target, kKomegaMicrosteps / *microsteps * *tested);
}

}  // namespace engine
