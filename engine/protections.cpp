#include "engine/protections.h"

#include <algorithm>
#include <cmath>

#include "engine/encodings.h"
#include "engine/loop_periods.h"
#include "engine/parameter_limits.h"
#include "engine/protections_detail.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/kernel_functions.h"

namespace engine {

// ----- shared -----

namespace protection {

int RecoverInto(CVX_Parameter* target, double low, double high, double value) {
  if (!target || !AllFinite({low, high, value})) return 0;
  if (!SetParameterLimits(target, low, high)) return 0;
  return WriteBase(target, value);
}

int RecoverInto(CVX_Setup& setup, std::string_view target, double low, double high, double value) {
  return RecoverInto(Find(setup, target), low, high, value);
}

std::optional<double> AdcMaxValue(CVX_Setup& setup) {
  const int counts = Compute_ADCMaxValue(&setup);
  if (counts == 0) return std::nullopt;
  return counts;
}

int ComputeTicks(CVX_Setup& setup, std::string_view reg, std::string_view time) {
  CVX_Parameter* target = Find(setup, reg);
  const auto time_s = Base(setup, time);
  const auto ts = SlowLoopPeriod(setup);
  if (!target || !time_s || !ts) return 0;
  return WriteInternal(target, *time_s / *ts);
}

int RecoverTime(CVX_Setup& setup, std::string_view target, std::string_view reg, double low_s) {
  const auto ticks = Internal(setup, reg);
  const auto ts = SlowLoopPeriod(setup);
  if (!ticks || !ts) return 0;
  return RecoverInto(setup, target, low_s, kTicksMax * *ts, *ticks * *ts);
}

}  // namespace protection

using protection::RecoverInto;

// ----- over-current -----

int ComputeIMAXPROT(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "IMAXPROT");
  const auto current_A = Base(setup, "Imax_Prot");
  const auto cs = CurrentScale(setup);
  if (!target || !current_A || !cs) return 0;
  return WriteInternal(target, *current_A * *cs);
}

int RecoverImax_Prot(CVX_Setup& setup) {
  constexpr double kMin_A = 0.001;
  const auto counts = Internal(setup, "IMAXPROT");
  const auto cs = CurrentScale(setup);
  const auto motorMax_A = Base(setup, "ImaxM");
  const auto driveMax_A = Base(setup, "ImaxPS");
  if (!counts || !cs || !motorMax_A || !driveMax_A) return 0;
  return RecoverInto(setup, "Imax_Prot", kMin_A, std::min(*motorMax_A, *driveMax_A), *counts / *cs);
}

int ComputeTIMAXPROT(CVX_Setup& setup) { return protection::ComputeTicks(setup, "TIMAXPROT", "time_Imax_Prot"); }

int RecoverTime_Imax_Prot(CVX_Setup& setup) {
  return protection::RecoverTime(setup, "time_Imax_Prot", "TIMAXPROT", protection::kTimeMin_s);
}

// ----- temperature -----

namespace {

// The drive's temperature sensor: an output voltage at 0 degrees Celsius
// and a slope, read by a converter of "ADCrange" volts full scale. Read as
// the unit scale of degrees Celsius reads them, so that "Temp_2" and
// "T2MAXPROT" convert with the same numbers.
struct DriveTemperatureSensor {
  double adcMax_counts;
  double range_V;
  double atZero_V;
  double gain_V_per_C;
};

std::optional<DriveTemperatureSensor> TemperatureSensor(CVX_Setup& setup) {
  const auto adcMax = protection::AdcMaxValue(setup);
  const auto range_V = Internal(setup, "ADCrange");
  const auto atZero_V = Internal(setup, "DriveTempOutputAt0oC");
  const auto gain_V_per_C = Internal(setup, "DriveTempSensorGain");
  if (!adcMax || !range_V || !atZero_V || !gain_V_per_C) return std::nullopt;
  return DriveTemperatureSensor{*adcMax, *range_V, *atZero_V, *gain_V_per_C};
}

}  // namespace

int ComputeT2MAXPROT(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "T2MAXPROT");
  const auto sensor = TemperatureSensor(setup);
  const auto trip_C = Base(setup, "Temp_2");
  if (!target || !sensor || !trip_C || sensor->range_V == 0.0) return 0;
  return WriteInternal(target,
                       sensor->adcMax_counts * (sensor->atZero_V + sensor->gain_V_per_C * *trip_C) / sensor->range_V);
}

int RecoverTemp_2(CVX_Setup& setup) {
  constexpr double kMin_C = -100.0;
  constexpr double kMax_C = 1000.0;
  const auto counts = Internal(setup, "T2MAXPROT");
  const auto sensor = TemperatureSensor(setup);
  if (!counts || !sensor || sensor->gain_V_per_C == 0.0) return 0;
  const double output_V = sensor->range_V * *counts / sensor->adcMax_counts;
  return RecoverInto(setup, "Temp_2", kMin_C, kMax_C, (output_V - sensor->atZero_V) / sensor->gain_V_per_C);
}

int ComputeMTSTYPE(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "MTSTYPE");
  const auto type = Base(setup, "Motor_TempSensor_Type");
  if (!target || !type) return 0;
  return WriteInternal(target, *type == 1.0 ? 1.0 : 0.0);
}

int RecoverMotor_TempSensor_Type(CVX_Setup& setup) {
  const auto code = Internal(setup, "MTSTYPE");
  if (!code) return 0;
  return RecoverInto(setup, "Motor_TempSensor_Type", 0.0, 1.0, std::trunc(*code));
}

// ----- supply voltage -----

namespace {

constexpr double kSupplyMin_V = 1.0;
constexpr double kSupplyMax_V = 2000.0;

std::optional<double> SupplyCounts(CVX_Setup& setup, std::string_view user) {
  const auto volts = Base(setup, user);
  const auto vs = VoltageScale(setup);
  if (!volts || !vs) return std::nullopt;
  return *volts * *vs;
}

int RecoverSupplyVolts(CVX_Setup& setup, std::string_view user, std::string_view reg) {
  const auto counts = Internal(setup, reg);
  const auto vs = VoltageScale(setup);
  if (!counts || !vs) return 0;
  return RecoverInto(setup, user, kSupplyMin_V, kSupplyMax_V, *counts / *vs);
}

}  // namespace

int ComputeUMAXPROT(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "UMAXPROT");
  const auto counts = SupplyCounts(setup, "UMAX_PROT");
  if (!target || !counts) return 0;
  // The recovered voltage times the scale comes back a rounding error either
  // side of the stored count; truncating the low side would lose a count per
  // round trip.
  return WriteInternal(target, std::trunc(SnapToInteger(*counts)));
}

int ComputeUMINPROT(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "UMINPROT");
  const auto counts = SupplyCounts(setup, "UMIN_PROT");
  if (!target || !counts) return 0;
  return WriteInternal(target, *counts);
}

int RecoverUMAX_PROT(CVX_Setup& setup) { return RecoverSupplyVolts(setup, "UMAX_PROT", "UMAXPROT"); }
int RecoverUMIN_PROT(CVX_Setup& setup) { return RecoverSupplyVolts(setup, "UMIN_PROT", "UMINPROT"); }

}  // namespace engine
