#include <cmath>
#include <limits>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/controller_saturations.h"
#include "engine/controller_saturations_common.h"
#include "engine/encodings.h"
#include "engine/scales.h"
#include "engine/setup_access.h"

// The position controller's output and integral limits, the speed limit
// they carry, and the open-loop acceleration limit.
namespace engine {

using namespace saturation;

namespace {

constexpr double kHuge = std::numeric_limits<double>::max();

// What a position controller limit is a limit of.
enum class LimitKind {
  kStepRate,  // open loop: "Limit_Speed" in microsteps per sample
  kSpeed,     // "Limit_Speed" in speed units
  kCurrent,   // "IlimPS" in current units
};

// The kind of limit by the user's choices. The output ("SATP") limits the
// speed also in speed mode; the integral limit ("IMAXP") there is a share of
// the current limit. nullopt when a choice it needs is missing.
std::optional<LimitKind> KindOfLimit(CVX_Setup& setup, bool speedModeLimitsSpeed) {
  const auto control = words::Choice(setup, kStepperControlType);
  if (!control) return std::nullopt;
  if (*control == choice::kOpenLoop) return LimitKind::kStepRate;
  const auto mode = words::Choice(setup, "ControlMode");
  if (!mode) return std::nullopt;
  if (*mode == choice::kSpeedMode) return speedModeLimitsSpeed ? LimitKind::kSpeed : LimitKind::kCurrent;
  if (*mode != choice::kPositionMode) return LimitKind::kCurrent;
  const auto type = words::Choice(setup, "PositionControlType");
  if (!type) return std::nullopt;
  return *type == choice::kPositionOverSpeed ? LimitKind::kSpeed : LimitKind::kCurrent;
}

std::optional<double> AbsSpeedScale(CVX_Setup& setup) {
  const auto scale = SpeedScale(setup);
  if (!scale) return std::nullopt;
  return std::fabs(*scale);
}

// "Limit_Speed" in drive units per slow-loop sample.
std::optional<double> SpeedLimitUnits(CVX_Setup& setup, LimitKind kind) {
  const auto limit = Base(setup, kLimitSpeed);
  const auto scale = kind == LimitKind::kStepRate ? StepRateFactor(setup) : AbsSpeedScale(setup);
  if (!limit || !scale) return std::nullopt;
  return *limit * *scale;
}

std::optional<double> LimitUnits(CVX_Setup& setup, std::optional<LimitKind> kind) {
  if (!kind) return std::nullopt;
  if (*kind == LimitKind::kCurrent) return CurrentLimitCounts(setup);
  return SpeedLimitUnits(setup, *kind);
}

// Closed-loop speed mode as the drive's words hold it.
std::optional<bool> WordsSayClosedLoopSpeed(CVX_Setup& setup) {
  const auto operating = words::Read(setup, osr::kName);
  const auto control = words::Read(setup, acr::kName);
  if (!operating || !control) return std::nullopt;
  return words::IsSet(*operating, osr::kClosedLoop) && words::IsSet(*control, acr::kModeBit9) &&
         !words::IsSet(*control, acr::kModeBit10);
}

// Drive speed units per user speed unit of "Limit_Speed": the step rate
// factor in open loop, the speed scale's magnitude in closed loop.
std::optional<double> SpeedLimitScale(CVX_Setup& setup) {
  const auto control = words::Choice(setup, kStepperControlType);
  if (!control) return std::nullopt;
  return *control == choice::kOpenLoop ? StepRateFactor(setup) : AbsSpeedScale(setup);
}

std::optional<double> AbsStepAccelerationScale(CVX_Setup& setup) {
  const auto scale = StepAccelerationScale(setup);
  if (!scale) return std::nullopt;
  return std::fabs(*scale);
}

}  // namespace

int ComputeSATP(CVX_Setup& setup) {
  return WriteSaturation(setup, kSatp, LimitUnits(setup, KindOfLimit(setup, true)));
}

int ComputeIMAXP(CVX_Setup& setup) {
  const auto share_percent = Base(setup, kIPSatP);
  const auto limit = LimitUnits(setup, KindOfLimit(setup, false));
  if (!share_percent || !limit) return 0;
  return WriteSaturation(setup, kImaxp, *share_percent / kPercent * *limit);
}

int RecoverIPSatP(CVX_Setup& setup) {
  const auto speedMode = WordsSayClosedLoopSpeed(setup);
  if (!speedMode) return 0;
  return Recover(setup, kIPSatP, 0.0, kPercent, IntegralShare(setup, kImaxp, *speedMode ? kSats : kSatp));
}

int RecoverLimit_Speed(CVX_Setup& setup) {
  const auto scale = SpeedLimitScale(setup);
  if (!scale) return 0;
  return Recover(setup, kLimitSpeed, 0.0, kFullScale / *scale, LimitOver(Base(setup, kSatp), scale));
}

int RecoverTestMaxSpeed(CVX_Setup& setup) {
  const auto supply_V = Base(setup, "Vdc");
  const auto torqueConstant = Base(setup, "K");
  const auto speedLimit = Base(setup, kLimitSpeed);
  if (!supply_V || !torqueConstant || !speedLimit || *torqueConstant == 0.0) return 0;
  // A third of the no-load speed leaves voltage for the current to follow.
  constexpr double kNoLoadSpeedShare = 3.0;
  return Recover(setup, "TestMaxSpeed", 0.0, *speedLimit, *supply_V / *torqueConstant / kNoLoadSpeedShare);
}

// ----- acceleration limit -----

int ComputeACC_LIMIT(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kAccLimit);
  const auto enabled = Base(setup, kIsLimitAcceleration);
  if (!target || !enabled) return 0;
  if (*enabled == 0.0) return WriteBase(target, 0.0);
  const auto limit = Base(setup, kLimitAcceleration);
  const auto scale = AbsStepAccelerationScale(setup);
  if (!limit || !scale) return 0;
  return WriteBase(target, *limit * *scale);
}

int RecoverLimit_Acceleration(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kLimitAcceleration);
  const auto count = Base(setup, kAccLimit);
  const auto scale = AbsStepAccelerationScale(setup);
  if (!target || !count || !scale) return 0;
  if (!WriteBase(target, *count / *scale)) return 0;
  // "ACC_LIMIT" is not rounded to a count, so the quotient, stored through
  // the unit scale, can land one bit beside the value whose product gives
  // the register back, and every round trip would flip its last bit. Take
  // the neighbour that reproduces it when there is one.
  const double stored = target->GetValueInInternalUnit();
  for (double candidate : {stored, std::nextafter(stored, -kHuge), std::nextafter(stored, kHuge)}) {
    if (!WriteInternal(target, candidate)) continue;
    if (target->GetValueInBaseUnit() * *scale == *count) return 1;
  }
  return WriteInternal(target, stored);
}

int RecoverIsLimitAcceleration(CVX_Setup& setup) {
  const auto count = Base(setup, kAccLimit);
  if (!count) return 0;
  return WriteBase(setup, kIsLimitAcceleration, *count != 0.0 ? 1.0 : 0.0);
}

}  // namespace engine
