#include "engine/limit_registers.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/encodings.h"
#include "engine/loop_periods.h"
#include "engine/parameter_limits.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/parameter.h"
#include "kernel/value_type.h"

namespace engine {
namespace {

// Position registers of 32 bits, window registers of 15.
constexpr double kLongMin = -2147483648.0;
constexpr double kLongMax = 2147483647.0;
constexpr double kWordMax = 32767.0;
// Window times count up to a full unsigned word.
constexpr double kSamplesMax = 65535.0;
// In "TONPOSOK": no stabilize time.
constexpr double kNoStabilizeTime = 65535.0;

constexpr int kClosedLoop = 1;
constexpr int kDefaultMotionComplete = 0;  // "MotionCompleteType"

constexpr std::string_view kNegativeSwitch = "Negative_SWLS";
constexpr std::string_view kPositiveSwitch = "Positive_SWLS";
constexpr std::string_view kNegativeSwitchRegister = "SWNEGLS";
constexpr std::string_view kPositiveSwitchRegister = "SWPOSLS";
constexpr std::string_view kRangeFlag = "isPosRange";
constexpr std::string_view kRangeDefinition = "POSRANGEDEF";
constexpr std::string_view kRangeMinimum = "PosRange_Minimum";
constexpr std::string_view kRangeMaximum = "PosRange_Maximum";
constexpr std::string_view kRangeMinimumRegister = "MINPOSRANGE";
constexpr std::string_view kRangeMaximumRegister = "MAXPOSRANGE";
constexpr std::string_view kMotionCompleteType = "MotionCompleteType";
constexpr std::string_view kSettleBandRegister = "POSOKLIM";
constexpr std::string_view kStabilizeTimeRegister = "TONPOSOK";
constexpr std::string_view kSettleBand = "MotionCompleteSettleBand";
constexpr std::string_view kStabilizeTime = "MotionCompleteStabilizeTime";
constexpr std::string_view kFreezeBand = "FreezeControl_errband";
constexpr std::string_view kFreezeTime = "FreezeControl_time";
constexpr std::string_view kFreezeBandRegister = "POSOKLIM_FC";
constexpr std::string_view kFreezeTimeRegister = "TONPOSOK_FC";

enum class End { kMinimum, kMaximum };

// ----- software limit switches -----

// With P > 0 the negative switch is the lower count; with P <= 0 the user's
// negative switch lies at the higher count and takes the other register.
std::string_view SwitchSource(double position, bool negativeRegister) {
  return (position > 0.0) == negativeRegister ? kNegativeSwitch : kPositiveSwitch;
}

int ComputeSwitch(CVX_Setup& setup, std::string_view target, bool negativeRegister) {
  const auto position = PositionScale(setup);
  if (!position) return 0;
  const auto value = Base(setup, SwitchSource(*position, negativeRegister));
  if (!value) return 0;
  return WriteInternal(setup, target, *value * *position);
}

int RecoverSwitch(CVX_Setup& setup, std::string_view user, bool negativeUser) {
  const auto position = PositionScale(setup);
  if (!position) return 0;
  const std::string_view source = (*position > 0.0) == negativeUser ? kNegativeSwitchRegister : kPositiveSwitchRegister;
  const auto count = Internal(setup, source);
  if (!count) return 0;
  const double perCount = 1.0 / std::fabs(*position);
  // Divided by the signed scale, so that the round trip gives the user values back.
  return RecoverUserValue(setup, user, *count / *position, kLongMin * perCount, kLongMax * perCount);
}

// ----- position range -----

// What "POSRANGEDEF" holds: the flag in closed loop, else 0.
std::optional<double> RangeDefinition(CVX_Setup& setup) {
  const auto control = words::Choice(setup, "StepperControlType");
  const auto flag = Base(setup, kRangeFlag);
  if (!control || !flag) return std::nullopt;
  return AsRegisterHolds(setup, kRangeDefinition, *control == kClosedLoop ? *flag : 0.0);
}

// The two registers, MINPOSRANGE and MAXPOSRANGE.
std::optional<CountRange> RegisteredPositionRange(CVX_Setup& setup) {
  const auto definition = RangeDefinition(setup);
  if (!definition) return std::nullopt;
  // A range that is not in effect keeps no counts: else the next round
  // trip, reading the flag 0 back from "POSRANGEDEF", would clear them then.
  if (*definition == 0.0) return CountRange{0.0, 0.0};
  const auto position = PositionScale(setup);
  const auto low = Base(setup, kRangeMinimum);
  const auto high = Base(setup, kRangeMaximum);
  if (!position || !low || !high) return std::nullopt;
  const double magnitude = std::fabs(*position);
  // Whole counts compare by magnitude without the noise of the unit
  // conversion: equal ends must stay equal.
  const CountRange narrowed = NarrowPositionRange({SnapToInteger(*low * magnitude), SnapToInteger(*high * magnitude)});
  if (*position > 0.0) return narrowed;
  return CountRange{-narrowed.high, -narrowed.low};
}

int ComputePositionRangeRegister(CVX_Setup& setup, End end) {
  const auto range = RegisteredPositionRange(setup);
  if (!range) return 0;
  if (end == End::kMinimum) return WriteInternal(setup, kRangeMinimumRegister, range->low);
  return WriteInternal(setup, kRangeMaximumRegister, range->high);
}

int RecoverPositionRangeEnd(CVX_Setup& setup, End end) {
  const auto position = PositionScale(setup);
  const auto low = Internal(setup, kRangeMinimumRegister);
  const auto high = Internal(setup, kRangeMaximumRegister);
  if (!position || !low || !high) return 0;
  const CountRange registered = *position > 0.0 ? CountRange{*low, *high} : CountRange{-*high, -*low};
  const CountRange range = WidenPositionRange(registered);
  const double perCount = 1.0 / std::fabs(*position);
  const bool minimum = end == End::kMinimum;
  return RecoverUserValue(setup, minimum ? kRangeMinimum : kRangeMaximum, (minimum ? range.low : range.high) * perCount,
                          kLongMin * perCount, kLongMax * perCount);
}

// ----- windows -----

// value * |P| into `target`.
int ComputeWindow(CVX_Setup& setup, std::string_view target, std::string_view user) {
  const auto position = PositionScale(setup);
  const auto band = Base(setup, user);
  if (!position || !band) return 0;
  return WriteInternal(setup, target, *band * std::fabs(*position));
}

// register / |P| into `user`, limits [0, 32767 / |P|]; the value only when
// `writeValue`.
int RecoverWindow(CVX_Setup& setup, std::string_view user, std::string_view source, bool writeValue = true) {
  const auto position = PositionScale(setup);
  const auto count = Internal(setup, source);
  if (!position || !count) return 0;
  const double perCount = 1.0 / std::fabs(*position);
  CVX_Parameter* target = Find(setup, user);
  if (!SetParameterLimits(target, 0.0, kWordMax * perCount)) return 0;
  return writeValue ? WriteBase(target, *count * perCount) : 1;
}

std::optional<bool> DefaultMotionCompleteSelected(CVX_Setup& setup) {
  const auto word = words::Read(setup, upgrade::kName);
  if (!word) return std::nullopt;
  return words::IsSet(*word, upgrade::kDefaultMotionComplete);
}

}  // namespace

int ComputeSWNEGLS(CVX_Setup& setup) { return ComputeSwitch(setup, kNegativeSwitchRegister, true); }
int ComputeSWPOSLS(CVX_Setup& setup) { return ComputeSwitch(setup, kPositiveSwitchRegister, false); }
int RecoverNegative_SWLS(CVX_Setup& setup) { return RecoverSwitch(setup, kNegativeSwitch, true); }
int RecoverPositive_SWLS(CVX_Setup& setup) { return RecoverSwitch(setup, kPositiveSwitch, false); }

bool HasPositionRange(CVX_Setup& setup) { return Has(setup, kRangeDefinition); }

int ComputePOSRANGEDEF(CVX_Setup& setup) {
  const auto definition = RangeDefinition(setup);
  if (!definition) return 0;
  return WriteInternal(setup, kRangeDefinition, *definition);
}

int RecoverIsPosRange(CVX_Setup& setup) {
  const auto definition = Internal(setup, kRangeDefinition);
  if (!definition) return 0;
  return RecoverUserValue(setup, kRangeFlag, *definition, 0.0, 1.0);
}

int ComputeMINPOSRANGE(CVX_Setup& setup) { return ComputePositionRangeRegister(setup, End::kMinimum); }
int ComputeMAXPOSRANGE(CVX_Setup& setup) { return ComputePositionRangeRegister(setup, End::kMaximum); }
int RecoverPosRange_Minimum(CVX_Setup& setup) { return RecoverPositionRangeEnd(setup, End::kMinimum); }
int RecoverPosRange_Maximum(CVX_Setup& setup) { return RecoverPositionRangeEnd(setup, End::kMaximum); }

CountRange NarrowPositionRange(CountRange range) {
  if (std::fabs(range.low) > std::fabs(range.high)) return {range.low + 1.0, range.high};
  return {range.low, range.high - 1.0};
}

CountRange WidenPositionRange(CountRange registered) {
  const CountRange higherMaximum{registered.low, registered.high + 1.0};
  const CountRange lowerMinimum{registered.low - 1.0, registered.high};
  const bool maximumFirst = std::fabs(registered.low) <= std::fabs(registered.high);
  const CountRange& first = maximumFirst ? higherMaximum : lowerMinimum;
  const CountRange& second = maximumFirst ? lowerMinimum : higherMaximum;
  // Equal ends narrow to a pair whose magnitudes point the wrong way
  // (10 .. 10 gives 10 .. 9, which the magnitudes would widen to 9 .. 9).
  if (NarrowPositionRange(first) == registered) return first;
  if (NarrowPositionRange(second) == registered) return second;
  return first;
}

int ComputePOSOKLIM(CVX_Setup& setup) {
  const auto type = words::Choice(setup, kMotionCompleteType);
  if (!type) return 0;
  if (*type != kDefaultMotionComplete) return WriteInternal(setup, kSettleBandRegister, 0.0);
  return ComputeWindow(setup, kSettleBandRegister, kSettleBand);
}

int ComputeTONPOSOK(CVX_Setup& setup) {
  const auto type = words::Choice(setup, kMotionCompleteType);
  if (!type) return 0;
  if (*type != kDefaultMotionComplete) return WriteInternal(setup, kStabilizeTimeRegister, kNoStabilizeTime);
  return ComputeSlowLoopSamples(setup, kStabilizeTimeRegister, kStabilizeTime);
}

int RecoverMotionCompleteSettleBand(CVX_Setup& setup) {
  const auto selected = DefaultMotionCompleteSelected(setup);
  if (!selected) return 0;
  return RecoverWindow(setup, kSettleBand, kSettleBandRegister, *selected);
}

int RecoverMotionCompleteStabilizeTime(CVX_Setup& setup) {
  const auto selected = DefaultMotionCompleteSelected(setup);
  const auto ts = SlowLoopPeriod(setup);
  const auto samples = Internal(setup, kStabilizeTimeRegister);
  if (!selected || !ts || !samples) return 0;
  CVX_Parameter* target = Find(setup, kStabilizeTime);
  if (!SetParameterLimits(target, 0.0, kSamplesMax * *ts)) return 0;
  return *selected ? WriteBase(target, *samples * *ts) : 1;
}

int ComputePOSOKLIM_FC(CVX_Setup& setup) { return ComputeWindow(setup, kFreezeBandRegister, kFreezeBand); }
int ComputeTONPOSOK_FC(CVX_Setup& setup) { return ComputeSlowLoopSamples(setup, kFreezeTimeRegister, kFreezeTime); }
int RecoverFreezeControl_errband(CVX_Setup& setup) { return RecoverWindow(setup, kFreezeBand, kFreezeBandRegister); }
int RecoverFreezeControl_time(CVX_Setup& setup) {
  return RecoverSlowLoopTime(setup, kFreezeTime, kFreezeTimeRegister, 0.0, kSamplesMax);
}

double AsRegisterHolds(CVX_Setup& setup, std::string_view name, double value) {
  const CVX_Parameter* target = Find(setup, name);
  return target ? kernel::FitToType(target->GetValueType(), value) : value;
}

int RecoverUserValue(CVX_Setup& setup, std::string_view name, double value, double low, double high) {
  if (!Base(setup, name)) return 0;
  return words::RecoverValue(setup, name, value, low, high);
}

int ComputeSlowLoopSamples(CVX_Setup& setup, std::string_view target, std::string_view user) {
  const auto ts = SlowLoopPeriod(setup);
  const auto time_s = Base(setup, user);
  if (!ts || !time_s) return 0;
  return WriteInternal(setup, target, *time_s / *ts);
}

int RecoverSlowLoopTime(CVX_Setup& setup, std::string_view user, std::string_view source, double minimum_s,
                        double maxSamples) {
  const auto ts = SlowLoopPeriod(setup);
  const auto samples = Internal(setup, source);
  if (!ts || !samples) return 0;
  return RecoverUserValue(setup, user, *samples * *ts, minimum_s, maxSamples * *ts);
}

}  // namespace engine
