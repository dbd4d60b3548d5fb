#include "engine/reference_registers.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "engine/config_words_common.h"
#include "engine/encodings.h"
#include "engine/limit_registers.h"
#include "engine/parameter_limits.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/kernel_functions.h"
#include "kernel/setup.h"

namespace engine {
namespace {

constexpr std::string_view kControlMode = "ControlMode";
constexpr std::string_view kOffsetRegister = "AD5OFF";
constexpr std::string_view kSpanRegister = "CADIN";
constexpr std::string_view kSpanShiftRegister = "SFTADIN";
constexpr std::string_view kInputRange = "AnalogueInputsRange";
constexpr std::string_view kDeadBandPoint = "DeadBand_Point";
constexpr std::string_view kDeadBandWidth = "DeadBand_Range";
constexpr std::string_view kDeadBandPointRegister = "LEVEL_AD5";
constexpr std::string_view kDeadBandWidthRegister = "E_LEVEL_AD5";
constexpr std::string_view kMaxSpeed = "ErefMaxSpeed";
constexpr std::string_view kMaxAcceleration = "ErefMaxAcceleration";
constexpr std::string_view kMaxSpeedRegister = "CSPD";
constexpr std::string_view kMaxAccelerationRegister = "CACC";

// The drive multiplies the input reading by "CADIN" and shifts the product
// right by 15 bits, so a full-scale reading adds CADIN * ADC maximum / 2^15.
constexpr double kInputProductShift = 32768.0;

// The 20 V input is bipolar: its converter reads -10 V as count 0.
constexpr int kBipolarInputRange_V = 20;
constexpr double kBipolarInputOffset_V = 10.0;

// Reference registers are signed 16-bit words.
constexpr double kWordMax = 32767.0;

struct ReferenceRange {
  std::string_view minimum;
  std::string_view maximum;
};
constexpr ReferenceRange kPositionRange{"POS_min", "POS_max"};
constexpr ReferenceRange kSpeedRange{"SPD_min", "SPD_max"};
constexpr ReferenceRange kCurrentRange{"CRT_min", "CRT_max"};

// The range an analogue reference drives in each "ControlMode"; nullptr for
// another mode.
const ReferenceRange* ActiveRange(int controlMode) {
  switch (controlMode) {
    case 0:
      return &kPositionRange;
    case 1:
      return &kSpeedRange;
    case 2:
      return &kCurrentRange;
    default:
      return nullptr;
  }
}

std::optional<double> AdcFullScale(CVX_Setup& setup) {
  const int counts = Compute_ADCMaxValue(&setup);
  if (counts <= 0) return std::nullopt;
  return counts;
}

double SignOf(double scale) { return scale > 0.0 ? 1.0 : -1.0; }

bool IsBipolarInput(double range_V) { return static_cast<int>(range_V) == kBipolarInputRange_V; }

// A negative span (a negative position scale) takes the shift of its
// magnitude, so that its mantissa stays within the signed register as a
// positive one does.
RangedMantissa EncodeSpan(double span) {
  RangedMantissa encoded = EncodeRangedMantissa(std::fabs(span));
  if (span < 0.0) encoded.mantissa = -encoded.mantissa;
  return encoded;
}

struct InternalPair {
  double minimum;
  double maximum;
};

// The range the input registers hold, in internal units of the range.
std::optional<InternalPair> RegisteredRange(CVX_Setup& setup) {
  const auto offset = Internal(setup, kOffsetRegister);
  const auto mantissa = Internal(setup, kSpanRegister);
  const auto shift = Internal(setup, kSpanShiftRegister);
  const auto adc = AdcFullScale(setup);
  const auto position = PositionScale(setup);
  if (!offset || !mantissa || !shift || !adc || !position) return std::nullopt;
  const double span = DecodeRangedMantissa(*mantissa, *shift) * *adc / kInputProductShift * SignOf(*position);
  if (!std::isfinite(span)) return std::nullopt;
  return InternalPair{*offset, *offset + span};
}

struct Bounds {
  double low;
  double high;
};

std::optional<Bounds> PositionBounds(CVX_Setup& setup) {
  const auto position = PositionScale(setup);
  if (!position) return std::nullopt;
  const double extent = kWordMax / std::fabs(*position);
  return Bounds{-extent, extent};
}

std::optional<Bounds> SpeedBounds(CVX_Setup& setup) {
  const auto speed = SpeedScale(setup);
  const auto limit = Base(setup, "Limit_Speed");
  if (!speed || !limit) return std::nullopt;
  const double extent = kWordMax / std::fabs(*speed);
  return Bounds{std::max(-*limit, -extent), std::min(*limit, extent)};
}

std::optional<Bounds> CurrentBounds(CVX_Setup& setup) {
  const auto current = CurrentScale(setup);
  const auto motor_A = Base(setup, "ImaxM");
  const auto drive_A = Base(setup, "ImaxPS");
  if (!current || !motor_A || !drive_A) return std::nullopt;
  const double supply_A = std::min(*motor_A, *drive_A);
  const double extent_A = kWordMax / *current;
  return Bounds{std::max(-extent_A, -supply_A), std::min(extent_A, supply_A)};
}

// What `parameter` shows in base units when it holds `internal`.
std::optional<double> BaseOf(const CVX_Parameter& parameter, double internal) {
  const auto scale = parameter.GetSetup()->ScaleOf(parameter.GetUnitType(), parameter.GetName());
  if (!scale) return std::nullopt;
  const double base = (internal + scale->offset) * scale->factor;
  if (!std::isfinite(base)) return std::nullopt;
  return base;
}

enum class End { kMinimum, kMaximum };

// One end of a range: limited by the register width and by the other end's
// recovered value, then written in internal units.
int RecoverRangeEnd(CVX_Setup& setup, const ReferenceRange& range, std::optional<Bounds> bounds, End end) {
  CVX_Parameter* minimum = Find(setup, range.minimum);
  CVX_Parameter* maximum = Find(setup, range.maximum);
  const auto pair = RegisteredRange(setup);
  if (!minimum || !maximum || !pair || !bounds || bounds->low > bounds->high) return 0;
  const auto minimumBase = BaseOf(*minimum, pair->minimum);
  const auto maximumBase = BaseOf(*maximum, pair->maximum);
  if (!minimumBase || !maximumBase) return 0;
  if (end == End::kMinimum) {
    if (!SetParameterLimits(minimum, bounds->low, std::clamp(*maximumBase, bounds->low, bounds->high))) return 0;
    return WriteInternal(minimum, pair->minimum);
  }
  if (!SetParameterLimits(maximum, std::clamp(*minimumBase, bounds->low, bounds->high), bounds->high)) return 0;
  return WriteInternal(maximum, pair->maximum);
}

// value * |scale| into `target`, in internal units.
int ComputeScaled(CVX_Setup& setup, std::string_view target, std::string_view user, std::optional<double> scale) {
  const auto value = Base(setup, user);
  if (!value || !scale) return 0;
  return WriteInternal(setup, target, *value * std::fabs(*scale));
}

// register / |scale| into `user`, limited to what a signed word holds.
int RecoverScaled(CVX_Setup& setup, std::string_view user, std::string_view source, std::optional<double> scale) {
  const auto count = Internal(setup, source);
  if (!count || !scale) return 0;
  const double perCount = 1.0 / std::fabs(*scale);
  return RecoverUserValue(setup, user, *count * perCount, 0.0, kWordMax * perCount);
}

}  // namespace

std::optional<double> AnalogueReferenceSpan(CVX_Setup& setup) {
  const auto mode = words::Choice(setup, kControlMode);
  const auto adc = AdcFullScale(setup);
  const auto position = PositionScale(setup);
  if (!mode || !adc || !position) return std::nullopt;
  double span = 0.0;
  if (const ReferenceRange* range = ActiveRange(*mode)) {
    const auto low = Internal(setup, range->minimum);
    const auto high = Internal(setup, range->maximum);
    if (!low || !high) return std::nullopt;
    // Counted from the offset as "AD5OFF" will hold it: from the unrounded
    // minimum, a maximum at its limit recovers beyond it, the limit clips it
    // and the next computation rounds the other way.
    span = *high - AsRegisterHolds(setup, kOffsetRegister, *low);
  }
  const double counts = span * kInputProductShift / *adc * SignOf(*position);
  if (!std::isfinite(counts)) return std::nullopt;
  return counts;
}

int ComputeCADIN(CVX_Setup& setup) {
  const auto span = AnalogueReferenceSpan(setup);
  if (!span) return 0;
  return WriteInternal(setup, kSpanRegister, EncodeSpan(*span).mantissa);
}

int ComputeSFTADIN(CVX_Setup& setup) {
  const auto span = AnalogueReferenceSpan(setup);
  if (!span) return 0;
  return WriteInternal(setup, kSpanShiftRegister, EncodeSpan(*span).shift);
}

int ComputeAD5OFF(CVX_Setup& setup) {
  const auto mode = words::Choice(setup, kControlMode);
  const ReferenceRange* range = mode ? ActiveRange(*mode) : nullptr;
  if (!range) return 0;
  const auto offset = Internal(setup, range->minimum);
  if (!offset) return 0;
  return WriteInternal(setup, kOffsetRegister, *offset);
}

int ComputeLEVEL_AD5(CVX_Setup& setup) {
  const auto range_V = Base(setup, kInputRange);
  const auto point_V = Base(setup, kDeadBandPoint);
  const auto adc = AdcFullScale(setup);
  if (!range_V || !point_V || !adc || *range_V == 0.0) return 0;
  const double fromZero_V = IsBipolarInput(*range_V) ? *point_V + kBipolarInputOffset_V : *point_V;
  return WriteInternal(setup, kDeadBandPointRegister, *adc * fromZero_V / *range_V);
}

int ComputeE_LEVEL_AD5(CVX_Setup& setup) {
  const auto range_V = Base(setup, kInputRange);
  const auto width_V = Base(setup, kDeadBandWidth);
  const auto adc = AdcFullScale(setup);
  if (!range_V || !width_V || !adc || *range_V == 0.0) return 0;
  return WriteInternal(setup, kDeadBandWidthRegister, *width_V * *adc / *range_V);
}

int RecoverDeadBand_Point(CVX_Setup& setup) {
  const auto range_V = Base(setup, kInputRange);
  const auto level = Internal(setup, kDeadBandPointRegister);
  const auto adc = AdcFullScale(setup);
  if (!range_V || !level || !adc) return 0;
  const VoltRange limits = DeadBandPointLimits(*range_V);
  const double offset_V = IsBipolarInput(*range_V) ? kBipolarInputOffset_V : 0.0;
  return RecoverUserValue(setup, kDeadBandPoint, *range_V * *level / *adc - offset_V, limits.low_V, limits.high_V);
}

int RecoverDeadBand_Range(CVX_Setup& setup) {
  const auto range_V = Base(setup, kInputRange);
  const auto level = Internal(setup, kDeadBandWidthRegister);
  const auto adc = AdcFullScale(setup);
  // Its unit converts by the input range: a zero range would be refused.
  if (!range_V || !level || !adc || !Base(setup, kDeadBandWidth)) return 0;
  // Limits the point and, from where it now stands, the width.
  if (!LimitDeadBand(setup)) return 0;
  return WriteBase(setup, kDeadBandWidth, *range_V * *level / *adc);
}

int RecoverPOS_min(CVX_Setup& setup) {
  return RecoverRangeEnd(setup, kPositionRange, PositionBounds(setup), End::kMinimum);
}
int RecoverPOS_max(CVX_Setup& setup) {
  return RecoverRangeEnd(setup, kPositionRange, PositionBounds(setup), End::kMaximum);
}
int RecoverCRT_min(CVX_Setup& setup) {
  return RecoverRangeEnd(setup, kCurrentRange, CurrentBounds(setup), End::kMinimum);
}
int RecoverCRT_max(CVX_Setup& setup) {
  return RecoverRangeEnd(setup, kCurrentRange, CurrentBounds(setup), End::kMaximum);
}
int RecoverSPD_min(CVX_Setup& setup) { return RecoverRangeEnd(setup, kSpeedRange, SpeedBounds(setup), End::kMinimum); }
int RecoverSPD_max(CVX_Setup& setup) { return RecoverRangeEnd(setup, kSpeedRange, SpeedBounds(setup), End::kMaximum); }

int ComputeCSPD(CVX_Setup& setup) { return ComputeScaled(setup, kMaxSpeedRegister, kMaxSpeed, SpeedScale(setup)); }
int RecoverErefMaxSpeed(CVX_Setup& setup) {
  return RecoverScaled(setup, kMaxSpeed, kMaxSpeedRegister, SpeedScale(setup));
}

int ComputeCACC(CVX_Setup& setup) {
  return ComputeScaled(setup, kMaxAccelerationRegister, kMaxAcceleration, AccelerationScale(setup));
}
int RecoverErefMaxAcceleration(CVX_Setup& setup) {
  return RecoverScaled(setup, kMaxAcceleration, kMaxAccelerationRegister, AccelerationScale(setup));
}

int ComputeGEAR(CVX_Setup& setup) {
  const auto slave = Base(setup, "GEARSLAVE");
  const auto master = Base(setup, "GEARMASTER");
  if (!slave || !master || *master == 0.0) return 0;
  return WriteInternal(setup, "GEAR", *slave / *master);
}

}  // namespace engine
