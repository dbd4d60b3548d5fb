#include "engine/controller_saturations.h"

#include <algorithm>
#include <cmath>

#include "engine/config_bits.h"
#include "engine/config_words_common.h"
#include "engine/controller_saturations_common.h"
#include "engine/encodings.h"
#include "engine/parameter_limits.h"
#include "engine/scales.h"
#include "engine/setup_access.h"

namespace engine {

// ----- shared helpers -----

namespace saturation {

std::optional<double> Count(double limit_units) {
  if (!std::isfinite(limit_units)) return std::nullopt;
  return std::clamp(kFullScale - limit_units, 0.0, kFullScale);
}

double Limit(double count) { return kFullScale - count; }

int WriteSaturation(CVX_Setup& setup, std::string_view name, std::optional<double> limit_units) {
  CVX_Parameter* target = Find(setup, name);
  if (!target || !limit_units) return 0;
  const auto count = Count(*limit_units);
  return count ? WriteBase(target, *count) : 0;
}

int Recover(CVX_Setup& setup, std::string_view name, double low, double high, std::optional<double> value) {
  CVX_Parameter* target = Find(setup, name);
  if (!target || !value || !std::isfinite(*value)) return 0;
  if (!SetParameterLimits(target, low, high)) return 0;
  return WriteBase(target, *value);
}

std::optional<double> CurrentLimitCounts(CVX_Setup& setup) {
  const auto limit_A = Base(setup, kIlimPS);
  const auto cs = CurrentScale(setup);
  if (!limit_A || !cs) return std::nullopt;
  return *limit_A * *cs;
}

std::optional<double> IntegralShare(CVX_Setup& setup, std::string_view part, std::string_view whole) {
  const auto partCount = Base(setup, part);
  const auto wholeCount = Base(setup, whole);
  if (!partCount || !wholeCount) return std::nullopt;
  const double wholeLimit = Limit(*wholeCount);
  if (wholeLimit <= 0.0) return std::nullopt;
  return Limit(*partCount) * kPercent / wholeLimit;
}

std::optional<double> Smaller(CVX_Setup& setup, std::string_view a, std::string_view b) {
  const auto x = Base(setup, a);
  const auto y = Base(setup, b);
  if (!x || !y) return std::nullopt;
  return std::min(*x, *y);
}

std::optional<double> LimitOver(std::optional<double> count, std::optional<double> scale) {
  if (!count || !scale) return std::nullopt;
  return Limit(*count) / *scale;
}

}  // namespace saturation

using namespace saturation;

namespace {

// The smallest current limit the drive setup accepts.
constexpr double kCurrentLimitMin_A = 0.001;
// The current tuning test may drive up to 1.8 times the rated current.
constexpr double kTestCurrentOverload = 1.8;
constexpr double kLoadInertiaRatioMax = 100.0;

}  // namespace

// ----- current controller: gravity offset -----

int ComputeFFL(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kFfl);
  const auto compensate = Base(setup, kIsCompensateGravity);
  if (!target || !compensate) return 0;
  if (*compensate == 0.0) return WriteBase(target, 0.0);
  const auto offset_A = Base(setup, "OffsetCurrent");
  const auto cs = CurrentScale(setup);
  if (!offset_A || !cs) return 0;
  return WriteBase(target, *offset_A * *cs);
}

int RecoverIsCompensateGravitationalLoads(CVX_Setup& setup) {
  const auto count = Base(setup, kFfl);
  if (!count) return 0;
  return Recover(setup, kIsCompensateGravity, 0.0, 1.0, *count != 0.0 ? 1.0 : 0.0);
}

int RecoverOffsetCurrent(CVX_Setup& setup) {
  const auto rated_A = Base(setup, "In");
  const auto count = Base(setup, kFfl);
  const auto cs = CurrentScale(setup);
  if (!rated_A || !count || !cs) return 0;
  return Recover(setup, "OffsetCurrent", -*rated_A, *rated_A, *count / *cs);
}

// ----- speed controller -----

int ComputeSATS(CVX_Setup& setup) { return WriteSaturation(setup, kSats, CurrentLimitCounts(setup)); }

int ComputeIMAXS(CVX_Setup& setup) {
  const auto share_percent = Base(setup, kIPSatS);
  const auto limit = CurrentLimitCounts(setup);
  if (!share_percent || !limit) return 0;
  return WriteSaturation(setup, kImaxs, *share_percent / kPercent * *limit);
}

std::optional<double> CurrentLimitSaturation(CVX_Setup& setup) {
  const auto operating = words::Read(setup, osr::kName);
  const auto control = words::Read(setup, acr::kName);
  if (!operating || !control) return std::nullopt;
  const bool positionHoldsCurrent =
      words::IsSet(*operating, osr::kClosedLoop) && !words::IsSet(*control, acr::kModeBit9);
  return Base(setup, positionHoldsCurrent ? kSatp : kSats);
}

int RecoverIlimPS(CVX_Setup& setup) {
  const auto high_A = Smaller(setup, kImaxPS, kImaxM);
  if (!high_A) return 0;
  return Recover(setup, kIlimPS, kCurrentLimitMin_A, *high_A,
                 LimitOver(CurrentLimitSaturation(setup), CurrentScale(setup)));
}

int RecoverIPSatS(CVX_Setup& setup) {
  return Recover(setup, kIPSatS, 0.0, kPercent, IntegralShare(setup, kImaxs, kSats));
}

// ----- tuning test defaults -----

int RecoverTestCurrent(CVX_Setup& setup) {
  const auto rated_A = Smaller(setup, "In", "InPS");
  if (!rated_A) return 0;
  return Recover(setup, "TestCurrent", kCurrentLimitMin_A, kTestCurrentOverload * *rated_A, rated_A);
}

int RecoverTestLimitCurrent(CVX_Setup& setup) {
  const auto high_A = Smaller(setup, kImaxPS, kImaxM);
  if (!high_A) return 0;
  return Recover(setup, "TestLimitCurrent", 0.0, *high_A,
                 LimitOver(CurrentLimitSaturation(setup), CurrentScale(setup)));
}

int RecoverTestProtectionCurrent(CVX_Setup& setup) {
  const auto high_A = Smaller(setup, kImaxM, kImaxPS);
  const auto count = Base(setup, "IMAXPROT");
  const auto cs = CurrentScale(setup);
  if (!high_A || !count || !cs) return 0;
  return Recover(setup, "TestProtectionCurrent", 0.0, *high_A, *count / *cs);
}

int RecoverJload_over_J(CVX_Setup& setup) {
  const auto total = Base(setup, "Jt");
  const auto motor = Base(setup, "Jm");
  if (!total || !motor || *motor == 0.0) return 0;
  return Recover(setup, "Jload_over_J", 0.0, kLoadInertiaRatioMax, *total / *motor - 1.0);
}

}  // namespace engine
