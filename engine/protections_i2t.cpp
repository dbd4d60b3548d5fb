#include <cmath>

#include "engine/encodings.h"
#include "engine/loop_periods.h"
#include "engine/protections.h"
#include "engine/protections_detail.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/value_type.h"

namespace engine {
namespace {

// The drive integrates (i^2 - rated^2) of 16-bit currents into a 2^26 scale.
constexpr double kI2tScale = 67108864.0;  // 2^26
constexpr double kI2tPerSquaredCount = kI2tScale / (kFullScale * kFullScale);
// The warning comes this long before the trip.
constexpr double kWarningLead_s = 2.0;
// Scale register bounds the trip time to 2^11 .. 2^26 slow-loop samples.
constexpr double kTripTicksMin = 2048.0;
constexpr double kTripTicksMax = kI2tScale;

// One I2t protection: the rated current it integrates above, the trip
// current and time the user sets, and its registers.
struct I2tRow {
  const char* rated;
  const char* tripCurrent;
  const char* tripTime;
  const char* ratedRegister;
  const char* scaleRegister;
  const char* limitRegister;
  const char* warningRegister;
};

constexpr I2tRow kDriveI2t{"InPS", "I_I2t_D", "t_I2t_D", "II2TPROT_D", "SFI2T_D", "I2TINTLIM_D", "II2TWARLIM_D"};
constexpr I2tRow kMotorI2t{"In", "I_I2t_M", "t_I2t_M", "II2TPROT_M", "SFI2T_M", "I2TINTLIM_M", "I2TWARLIM_M"};

// The integral limit of the row's user values, unrounded.
std::optional<double> IntegralLimit(CVX_Setup& setup, const I2tRow& row) {
  const auto cs = CurrentScale(setup);
  const auto rated_A = Base(setup, row.rated);
  const auto trip_A = Base(setup, row.tripCurrent);
  if (!cs || !rated_A || !trip_A) return std::nullopt;
  return I2tIntegralLimit(*cs * *trip_A, *cs * *rated_A);
}

int ComputeRated(CVX_Setup& setup, const I2tRow& row) {
  CVX_Parameter* target = Find(setup, row.ratedRegister);
  const auto cs = CurrentScale(setup);
  const auto rated_A = Base(setup, row.rated);
  if (!target || !cs || !rated_A) return 0;
  return WriteInternal(target, *rated_A * *cs);
}

int ComputeScale(CVX_Setup& setup, const I2tRow& row) {
  CVX_Parameter* target = Find(setup, row.scaleRegister);
  const auto ts = SlowLoopPeriod(setup);
  const auto trip_s = Base(setup, row.tripTime);
  if (!target || !ts || !trip_s) return 0;
  const auto scale = I2tScale(*ts, *trip_s);
  return scale ? WriteInternal(target, *scale) : 0;
}

int ComputeLimit(CVX_Setup& setup, const I2tRow& row) {
  CVX_Parameter* target = Find(setup, row.limitRegister);
  const auto limit = IntegralLimit(setup, row);
  if (!target || !limit) return 0;
  return WriteInternal(target, *limit);
}

// `value` as the register will hold it (the kernel's rounding and bounds of
// its type); the value itself where the firmware lacks the register.
double AsStored(CVX_Setup& setup, const char* reg, double value) {
  const CVX_Parameter* p = Find(setup, reg);
  return p ? kernel::FitToType(p->GetValueType(), value) : value;
}

// The drive warns two seconds before it trips, and it trips at the limit and
// after the time that its registers hold, not at the unquantised user values.
// Taken from those, the warning stays put when the user values come back
// quantised from the first round trip; from the user values it would move
// again on the second.
int ComputeWarning(CVX_Setup& setup, const I2tRow& row) {
  CVX_Parameter* target = Find(setup, row.warningRegister);
  const auto limit = IntegralLimit(setup, row);
  const auto trip_s = Base(setup, row.tripTime);
  const auto ts = SlowLoopPeriod(setup);
  if (!target || !limit || !trip_s || !ts) return 0;
  const auto scale = I2tScale(*ts, *trip_s);
  if (!scale) return 0;
  // A scale that rounds to 0 never trips: the user's time is all there is.
  const auto driveTrip_s = I2tTripTime(*ts, AsStored(setup, row.scaleRegister, *scale)).value_or(*trip_s);
  const auto warning = I2tWarningLimit(AsStored(setup, row.limitRegister, *limit), driveTrip_s);
  return warning ? WriteInternal(target, *warning) : 0;
}

int RecoverTripCurrent(CVX_Setup& setup, const I2tRow& row, double low_A, double high_A) {
  const auto limit = Internal(setup, row.limitRegister);
  const auto cs = CurrentScale(setup);
  const auto rated_A = Base(setup, row.rated);
  if (!limit || !cs || !rated_A) return 0;
  const auto trip_counts = I2tTripCurrent(*limit, *cs * *rated_A);
  if (!trip_counts) return 0;
  return protection::RecoverInto(setup, row.tripCurrent, low_A, high_A, *trip_counts / *cs);
}

int RecoverTripTime(CVX_Setup& setup, const I2tRow& row) {
  const auto scale = Internal(setup, row.scaleRegister);
  const auto ts = SlowLoopPeriod(setup);
  if (!scale || !ts) return 0;
  const auto trip_s = I2tTripTime(*ts, *scale);
  if (!trip_s) return 0;
  return protection::RecoverInto(setup, row.tripTime, kTripTicksMin * *ts, kTripTicksMax * *ts, *trip_s);
}

}  // namespace

// ----- arithmetic -----

double I2tIntegralLimit(double trip_counts, double rated_counts) {
  return (trip_counts * trip_counts - rated_counts * rated_counts) * kI2tPerSquaredCount;
}

std::optional<double> I2tTripCurrent(double integralLimit, double rated_counts) {
  // The exact inverse: a rounder factor (16 for 32767^2 / 2^26) makes the
  // trip current grow by 0.003 % on every round trip.
  const double squared = integralLimit / kI2tPerSquaredCount + rated_counts * rated_counts;
  if (!std::isfinite(squared) || squared < 0.0) return std::nullopt;
  return std::sqrt(squared);
}

std::optional<double> I2tWarningLimit(double integralLimit, double tripTime_s) {
  if (tripTime_s == 0.0) return std::nullopt;
  const double warning = (tripTime_s - kWarningLead_s) / tripTime_s * integralLimit;
  if (!std::isfinite(warning)) return std::nullopt;
  return warning;
}

std::optional<double> I2tScale(double period_s, double tripTime_s) {
  if (tripTime_s == 0.0) return std::nullopt;
  const double scale = period_s * kI2tScale / tripTime_s;
  if (!std::isfinite(scale)) return std::nullopt;
  return scale;
}

std::optional<double> I2tTripTime(double period_s, double scale) { return I2tScale(period_s, scale); }

// ----- drive -----

int ComputeII2TPROT_D(CVX_Setup& setup) { return ComputeRated(setup, kDriveI2t); }
int ComputeSFI2T_D(CVX_Setup& setup) { return ComputeScale(setup, kDriveI2t); }
int ComputeI2TINTLIM_D(CVX_Setup& setup) { return ComputeLimit(setup, kDriveI2t); }
int ComputeII2TWARLIM_D(CVX_Setup& setup) { return ComputeWarning(setup, kDriveI2t); }

int RecoverI_I2t_D(CVX_Setup& setup) {
  const auto rated_A = Base(setup, kDriveI2t.rated);
  const auto max_A = Base(setup, "ImaxPS");
  if (!rated_A || !max_A) return 0;
  return RecoverTripCurrent(setup, kDriveI2t, *rated_A, *max_A);
}

int RecoverT_I2t_D(CVX_Setup& setup) { return RecoverTripTime(setup, kDriveI2t); }

// ----- motor -----

int ComputeII2TPROT_M(CVX_Setup& setup) { return ComputeRated(setup, kMotorI2t); }
int ComputeSFI2T_M(CVX_Setup& setup) { return ComputeScale(setup, kMotorI2t); }
int ComputeI2TINTLIM_M(CVX_Setup& setup) { return ComputeLimit(setup, kMotorI2t); }
int ComputeI2TWARLIM_M(CVX_Setup& setup) { return ComputeWarning(setup, kMotorI2t); }

int RecoverI_I2t_M(CVX_Setup& setup) {
  // The motor trips no lower than 10 % above its rated current.
  constexpr double kMinOverRated = 1.1;
  const auto rated_A = Base(setup, kMotorI2t.rated);
  const auto max_A = Base(setup, "ImaxM");
  if (!rated_A || !max_A) return 0;
  return RecoverTripCurrent(setup, kMotorI2t, kMinOverRated * *rated_A, *max_A);
}

int RecoverT_I2t_M(CVX_Setup& setup) { return RecoverTripTime(setup, kMotorI2t); }

}  // namespace engine
