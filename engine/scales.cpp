#include "engine/scales.h"

#include <cmath>

#include "engine/setup_access.h"
#include "kernel/kernel_functions.h"

namespace engine {
namespace {

constexpr double kFullScale = 32767.0;
// A three-phase motor's voltage register spans two full scales over 110 % of
// the supply.
constexpr double kThreePhaseVoltageSpan = 65534.0;
constexpr double kThreePhaseSupplyMargin = 1.1;
constexpr int kScrThreePhaseBit = 0x1000;
constexpr int kOsrLoadSensorLoopBit = 0x1000;
// An incremental encoder gives four counts per line.
constexpr double kCountsPerLine = 4.0;

// The contract of this file: a usable scale is finite and not zero.
std::optional<double> Usable(double value) {
  if (!std::isfinite(value) || value == 0.0) return std::nullopt;
  return value;
}

std::optional<double> Value(CVX_Setup& setup, const char* name) { return Internal(setup, name); }

std::optional<int> Integer(CVX_Setup& setup, const char* name) {
  const auto v = Value(setup, name);
  if (!v || std::fabs(*v) > 2147483647.0) return std::nullopt;
  return static_cast<int>(*v);
}

std::optional<bool> OpenLoop(CVX_Setup& setup) {
  const auto type = Integer(setup, "StepperControlType");
  if (!type) return std::nullopt;
  return *type == 0;
}

// Load sensor counts per user unit of the load (radian or metre).
std::optional<double> LoadSensorScale(CVX_Setup& setup, int type) {
  if (type == kSensorNone) return std::nullopt;
  if (type > kSensorBiss) return 1.0;
  const auto transmission = Value(setup, "TransmissionType");
  if (!transmission) return std::nullopt;
  const bool linear = *transmission != 0.0;
  if (type == kSensorSsi || type == kSensorBiss) {
    if (linear) {
      const auto resolution = Value(setup, "SSI_Resolution_LD");
      return resolution ? Usable(1.0 / *resolution) : std::nullopt;
    }
    const auto bits = Value(setup, "SSI_No_Bits_Revolution_LD");
    return bits ? Usable(std::exp2(*bits) / kTwoPi) : std::nullopt;
  }
  double interpolation = 1.0;
  if (type == kSensorSineCosine) {
    const auto fraction = Value(setup, "SINCOS_fract_LD");
    if (!fraction) return std::nullopt;
    interpolation = std::exp2(*fraction);
  }
  if (linear) {
    const auto resolution = Value(setup, "Resolution_LD");
    return resolution ? Usable(interpolation / *resolution) : std::nullopt;
  }
  const auto lines = Value(setup, "No_encoder_lines_LD");
  return lines ? Usable(kCountsPerLine * *lines * interpolation / kTwoPi) : std::nullopt;
}

// Motor sensor counts per radian of the motor.
std::optional<double> MotorSensorScale(CVX_Setup& setup, int type) {
  if (type == kSensorNone) return std::nullopt;
  if (type > kSensorBiss) return 1.0;
  if (type == kSensorSsi || type == kSensorBiss) {
    const auto bits = Value(setup, "SSI_No_Bits_Revolution");
    return bits ? Usable(std::exp2(*bits) / kTwoPi) : std::nullopt;
  }
  const auto counts = Value(setup, "MECRESL");
  if (!counts) return std::nullopt;
  // Whole lines only: the register counts four per line.
  const double lines = std::trunc(*counts / kCountsPerLine);
  double interpolation = 1.0;
  if (type == kSensorSineCosine) {
    const auto fraction = Value(setup, "SINCOS_fract");
    if (!fraction) return std::nullopt;
    interpolation = std::exp2(*fraction);
  }
  return Usable(kCountsPerLine * lines * interpolation / kTwoPi);
}

std::optional<double> TimesSlowPeriod(std::optional<double> scale, CVX_Setup& setup, int power) {
  const auto ts = SlowLoopPeriod(setup);
  if (!scale || !ts) return std::nullopt;
  return Usable(*scale * std::pow(*ts, power));
}

std::optional<double> StepsPerMotorRadian(CVX_Setup& setup) {
  const auto microsteps = Value(setup, "NoMicroStepsPerStep");
  const auto steps = Value(setup, "NoMotorSteps");
  if (!microsteps || !steps) return std::nullopt;
  return Usable(*microsteps * *steps / kTwoPi);
}

}  // namespace

bool IsOpenLoop(CVX_Setup& setup) { return OpenLoop(setup).value_or(false); }

std::optional<double> TransmissionRatio(CVX_Setup& setup) {
  const auto motor = Value(setup, "Motor_transmission");
  const auto load = Value(setup, "Load_transmission");
  if (!motor || !load) return std::nullopt;
  return Usable(*motor / *load);
}

std::optional<double> CurrentScale(CVX_Setup& setup) {
  const auto imax_A = Value(setup, "ImaxPS");
  if (!imax_A) return std::nullopt;
  return Usable(Compute_ADCMaxValue(&setup) / (2.0 * *imax_A));
}

std::optional<double> VoltageScale(CVX_Setup& setup) {
  const auto vmax_V = Value(setup, "VdcMaxMeasurable");
  if (!vmax_V) return std::nullopt;
  return Usable(Compute_ADCMaxValue(&setup) / *vmax_V);
}

std::optional<double> MotorVoltageScale(CVX_Setup& setup) {
  const auto supply_V = Value(setup, "Vdc");
  if (!supply_V) return std::nullopt;
  return MotorVoltageScaleAt(setup, *supply_V);
}

std::optional<double> MotorVoltageScaleAt(CVX_Setup& setup, double supply_V) {
  const auto scr = Integer(setup, "SCR");
  if (!scr) return std::nullopt;
  if (*scr & kScrThreePhaseBit) return Usable(kThreePhaseVoltageSpan / (kThreePhaseSupplyMargin * supply_V));
  return Usable(kFullScale / supply_V);
}

std::optional<double> StepPositionScale(CVX_Setup& setup) {
  const auto perMotorRadian = StepsPerMotorRadian(setup);
  const auto ratio = TransmissionRatio(setup);
  if (!perMotorRadian || !ratio) return std::nullopt;
  return Usable(*perMotorRadian * *ratio);
}

std::optional<double> PositionScale(CVX_Setup& setup) {
  const auto open = OpenLoop(setup);
  const auto load = Integer(setup, "LoadSensorType");
  if (!open || !load) return std::nullopt;
  if (*open) {
    const auto osr = Integer(setup, "OSR");
    if (!osr) return std::nullopt;
    // The bit follows "LoadSensorType"; without a load sensor there is
    // nothing else to count than the microsteps.
    if ((*osr & kOsrLoadSensorLoopBit) && *load != kSensorNone) return LoadSensorScale(setup, *load);
    return StepPositionScale(setup);
  }
  if (*load != kSensorNone) return LoadSensorScale(setup, *load);
  const auto motor = Integer(setup, "MotorSensorType");
  if (!motor || *motor == kSensorNone || *motor > kSensorBiss) return std::nullopt;
  const auto counts = MotorSensorScale(setup, *motor);
  const auto ratio = TransmissionRatio(setup);
  if (!counts || !ratio) return std::nullopt;
  return Usable(*counts * *ratio);
}

std::optional<double> MotorPositionScale(CVX_Setup& setup) {
  const auto open = OpenLoop(setup);
  const auto motor = Integer(setup, "MotorSensorType");
  if (!open || !motor) return std::nullopt;
  if (*motor != kSensorNone) return MotorSensorScale(setup, *motor);
  if (*open) return StepPositionScale(setup);
  const auto load = Integer(setup, "LoadSensorType");
  return load ? LoadSensorScale(setup, *load) : std::nullopt;
}

std::optional<double> LoadPositionScale(CVX_Setup& setup) {
  const auto open = OpenLoop(setup);
  const auto load = Integer(setup, "LoadSensorType");
  if (!open || !load) return std::nullopt;
  if (*load != kSensorNone) return LoadSensorScale(setup, *load);
  return *open ? StepPositionScale(setup) : PositionScale(setup);
}

std::optional<double> SpeedScale(CVX_Setup& setup) { return TimesSlowPeriod(PositionScale(setup), setup, 1); }

std::optional<double> MotorSpeedScale(CVX_Setup& setup) {
  return TimesSlowPeriod(MotorPositionScale(setup), setup, 1);
}

std::optional<double> LoadSpeedScale(CVX_Setup& setup) { return TimesSlowPeriod(LoadPositionScale(setup), setup, 1); }

std::optional<double> AccelerationScale(CVX_Setup& setup) {
  return TimesSlowPeriod(PositionScale(setup), setup, 2);
}

std::optional<double> JerkScale(CVX_Setup& setup) { return TimesSlowPeriod(PositionScale(setup), setup, 3); }

std::optional<double> StepSpeedScale(CVX_Setup& setup) {
  const auto open = OpenLoop(setup);
  if (!open) return std::nullopt;
  if (!*open) return 1.0;
  return TimesSlowPeriod(StepsPerMotorRadian(setup), setup, 1);
}

std::optional<double> StepAccelerationScale(CVX_Setup& setup) {
  return TimesSlowPeriod(StepPositionScale(setup), setup, 2);
}

std::optional<double> StepRateFactor(CVX_Setup& setup) {
  const auto position = StepPositionScale(setup);
  return TimesSlowPeriod(position ? std::optional(std::fabs(*position)) : std::nullopt, setup, 1);
}

}  // namespace engine
