#include "engine/feedback_sensors.h"

#include <algorithm>
#include <cmath>

#include "engine/parameter_limits.h"
#include "engine/scales.h"
#include "engine/setup_access.h"

namespace engine {
namespace {

constexpr double kCountsPerLine = 4.0;
// Four full steps make one electrical period of a step motor.
constexpr double kPeriodsPerStep = 0.25;
// The start-move check counts the whole serial word, up to 32 bits.
constexpr double kWordBitsMax = 32.0;
// "ELRESL" is a 16-bit register.
constexpr double kElectricalResolutionMax = 65535.0;
// "No_encoder_lines" must keep 4 lines within a signed 32-bit count.
constexpr double kLinesMin = 1.0;
constexpr double kLinesMax = 1073741823.0;
// Interpolation: the drive resolves at most 2^10 counts per electrical
// period and interpolates by at most 2^8.
constexpr int kFractionBitsTotal = 10;
constexpr int kFractionMax = 8;
constexpr double kStartMoveDefault_percent = 60.0;

constexpr std::string_view kMotorSensorType = "MotorSensorType";
constexpr std::string_view kLines = "No_encoder_lines";
constexpr std::string_view kMotorSteps = "NoMotorSteps";
constexpr std::string_view kSerialBits = "SSI_No_Bits_Revolution";
constexpr std::string_view kFraction = "ELRES_FRACT";
constexpr std::string_view kStartMovePercent = "ABSTART_MINMOVE_PERCENT";

std::optional<double> Finite(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<double> ElectricalPeriods(CVX_Setup& setup) {
  const auto steps = Base(setup, kMotorSteps);
  if (!steps) return std::nullopt;
  return *steps * kPeriodsPerStep;
}

}  // namespace

std::optional<int> ReadChoice(CVX_Setup& setup, std::string_view name) {
  const auto v = Base(setup, name);
  if (!v || std::fabs(*v) > 2147483647.0) return std::nullopt;
  return static_cast<int>(*v);
}

bool IsSerialSensor(int type) { return type == kSensorSsi || type == kSensorBiss; }

std::optional<double> MotorCountsPerRevolution(CVX_Setup& setup) {
  const auto type = ReadChoice(setup, kMotorSensorType);
  if (!type) return std::nullopt;
  if (IsSerialSensor(*type)) {
    const auto bits = Base(setup, kSerialBits);
    if (!bits) return std::nullopt;
    return Finite(std::exp2(std::min(*bits, kAngleBitsMax)));
  }
  const auto lines = Base(setup, kLines);
  if (!lines) return std::nullopt;
  return kCountsPerLine * *lines;
}

int ComputeMECRESL(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "MECRESL");
  const auto counts = MotorCountsPerRevolution(setup);
  if (!target || !counts) return 0;
  return WriteInternal(target, *counts);
}

int RecoverNo_encoder_lines(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kLines);
  const auto counts = Internal(setup, "MECRESL");
  if (!target || !counts) return 0;
  if (!SetParameterLimits(target, kLinesMin, kLinesMax)) return 0;
  return WriteBase(target, std::trunc(*counts / kCountsPerLine));
}

int ComputeELRESL(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "ELRESL");
  const auto counts = MotorCountsPerRevolution(setup);
  const auto periods = ElectricalPeriods(setup);
  if (!target || !counts || !periods || *periods == 0.0) return 0;
  return WriteInternal(target, std::min(*counts, kElectricalResolutionMax) / *periods);
}

std::optional<int> InterpolationFraction(double lines, double motorSteps) {
  const double countsPerPeriod = kCountsPerLine * lines / (motorSteps * kPeriodsPerStep);
  if (!std::isfinite(countsPerPeriod) || countsPerPeriod <= 0.0) return std::nullopt;
  const double d = std::ceil(std::log2(countsPerPeriod));
  if (d < 0.0 || d > kFractionBitsTotal - 1) return 0;
  return std::min(kFractionBitsTotal - static_cast<int>(d), kFractionMax);
}

int ComputeELRES_FRACT(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, kFraction);
  const auto type = ReadChoice(setup, kMotorSensorType);
  if (!target || !type) return 0;
  if (*type != kSensorSineCosine) return 1;
  const auto lines = Base(setup, kLines);
  const auto steps = Base(setup, kMotorSteps);
  if (!lines || !steps) return 0;
  const auto fraction = InterpolationFraction(*lines, *steps);
  if (!fraction) return 0;
  if (!WriteInternal(target, *fraction)) return 0;
  // The user's interpolation choice cannot go below what the drive resolves;
  // firmware without that choice still needs the fraction for "ENC2THL".
  if (CVX_Parameter* sinCosFraction = Find(setup, "SINCOS_fract")) {
    const double low = *fraction;
    SetParameterLimits(sinCosFraction, low, std::max(low, sinCosFraction->GetMaximum()));
  }
  return 1;
}

int ComputeENC2THL(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "ENC2THL");
  const auto type = ReadChoice(setup, kMotorSensorType);
  const auto periods = ElectricalPeriods(setup);
  if (!target || !type || !periods) return 0;
  if (IsSerialSensor(*type)) {
    const auto bits = Base(setup, kSerialBits);
    if (!bits) return 0;
    return WriteInternal(target, *periods * std::exp2(kWordBitsMax - std::min(*bits, kAngleBitsMax)));
  }
  const auto lines = Base(setup, kLines);
  if (!lines || *lines == 0.0) return 0;
  double countsPerLine = kCountsPerLine;
  if (*type == kSensorSineCosine && Has(setup, kFraction)) {
    const auto fraction = Internal(setup, kFraction);
    if (!fraction) return 0;
    countsPerLine *= std::exp2(*fraction);
  }
  return WriteInternal(target, *periods * kAngleFullTurn / (countsPerLine * *lines));
}

int ComputeABSTART_MINMOVE(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "ABSTART_MINMOVE");
  const auto control = ReadChoice(setup, "StepperControlType");
  if (!target || !control) return 0;
  if (*control == 0) return WriteInternal(target, 0.0);

  const auto type = ReadChoice(setup, kMotorSensorType);
  const auto steps = Base(setup, kMotorSteps);
  if (!type || !steps || *steps == 0.0) return 0;
  std::optional<double> counts;
  if (IsSerialSensor(*type)) {
    const auto bits = Base(setup, kSerialBits);
    if (bits) counts = Finite(std::exp2(std::min(*bits, kWordBitsMax)));
  } else if (const auto lines = Base(setup, kLines)) {
    counts = kCountsPerLine * *lines;
    if (*type == kSensorSineCosine && Has(setup, kFraction)) {
      const auto fraction = Internal(setup, kFraction);
      counts = fraction ? Finite(*counts * std::exp2(*fraction)) : std::nullopt;
    }
  }
  const auto percent = Has(setup, kStartMovePercent) ? Base(setup, kStartMovePercent)
                                                     : std::optional<double>(kStartMoveDefault_percent);
  if (!counts || !percent) return 0;
  return WriteInternal(target, *counts / *steps * *percent / 100.0);
}

bool HasElectricalResolution(CVX_Setup& setup) { return Has(setup, "ELRESL"); }
bool HasInterpolationFraction(CVX_Setup& setup) { return Has(setup, kFraction); }
bool HasStartMoveCheck(CVX_Setup& setup) { return Has(setup, "ABSTART_MINMOVE"); }

}  // namespace engine
