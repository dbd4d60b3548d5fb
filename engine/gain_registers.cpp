#include "engine/gain_registers.h"

#include <cmath>

#include "engine/encodings.h"
#include "engine/loop_periods.h"
#include "engine/parameter_limits.h"
#include "engine/setup_access.h"
#include "kernel/name_key.h"

namespace engine {
namespace {

// Writes `value` into `target` after giving it the limits [low, high].
int RecoverInto(CVX_Parameter* target, double low, double high, double value) {
  if (!target || !std::isfinite(value)) return 0;
  if (!SetParameterLimits(target, low, high)) return 0;
  return WriteBase(target, value);
}

}  // namespace

// ----- scaled gains -----

const ScaledGainRow* FindScaledGain(std::string_view user) {
  for (const ScaledGainRow& row : kScaledGains)
    if (kernel::SameName(row.user, user)) return &row;
  return nullptr;
}

int ComputeScaledGainShift(CVX_Setup& setup, const ScaledGainRow& row) {
  const auto x = Base(setup, row.user);
  if (!x) return 0;
  return WriteBase(setup, row.shift, EncodeScaledGain(*x).shift);
}

int ComputeScaledGainMantissa(CVX_Setup& setup, const ScaledGainRow& row) {
  const auto x = Base(setup, row.user);
  if (!x) return 0;
  return WriteBase(setup, row.mantissa, EncodeScaledGain(*x).mantissa);
}

int RecoverScaledGain(CVX_Setup& setup, const ScaledGainRow& row) {
  const auto mantissa = Base(setup, row.mantissa);
  const auto shift = Base(setup, row.shift);
  if (!mantissa || !shift) return 0;
  return RecoverInto(Find(setup, row.user), 0.0, kScaledGainMax, DecodeScaledGain(*mantissa, *shift));
}

int ComputeSFTKPI(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKpC]); }
int ComputeKPI(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKpC]); }
int RecoverKp_C_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKpC]); }
int ComputeSFTKII(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKiC]); }
int ComputeKII(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKiC]); }
int RecoverKi_C_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKiC]); }
int ComputeSFTKPS(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKpS]); }
int ComputeKPS(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKpS]); }
int RecoverKp_S_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKpS]); }
int ComputeSFTKIS(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKiS]); }
int ComputeKIS(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKiS]); }
int RecoverKi_S_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKiS]); }
int ComputeSFTKPP(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKpP]); }
int ComputeKPP(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKpP]); }
int RecoverKp_P_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKpP]); }
int ComputeSFTKIP(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKiP]); }
int ComputeKIP(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKiP]); }
int RecoverKi_P_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKiP]); }
int ComputeSFTKDP(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKdP]); }
int ComputeKDP(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKdP]); }
int RecoverKd_P_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKdP]); }
int ComputeSFTSFFW(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKffS]); }
int ComputeKFFS(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKffS]); }
int RecoverKFFS_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKffS]); }
int ComputeSFTKPTHT(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKpT]); }
int ComputeKPTHT(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKpT]); }
int RecoverKp_T_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKpT]); }
int ComputeSFTKITHT(CVX_Setup& setup) { return ComputeScaledGainShift(setup, kScaledGains[kGainKiT]); }
int ComputeKITHT(CVX_Setup& setup) { return ComputeScaledGainMantissa(setup, kScaledGains[kGainKiT]); }
int RecoverKi_T_scl(CVX_Setup& setup) { return RecoverScaledGain(setup, kScaledGains[kGainKiT]); }

// ----- acceleration feed-forward -----

int ComputeSFTAFFW(CVX_Setup& setup) {
  const auto x = Base(setup, "KFFA_scl");
  if (!x) return 0;
  return WriteBase(setup, "SFTAFFW", EncodeSplitShiftGain(*x).shiftLow);
}

int ComputeSFTKFF(CVX_Setup& setup) {
  const auto x = Base(setup, "KFFA_scl");
  if (!x) return 0;
  return WriteBase(setup, "SFTKFF", EncodeSplitShiftGain(*x).shiftHigh);
}

int ComputeKFFA(CVX_Setup& setup) {
  const auto x = Base(setup, "KFFA_scl");
  if (!x) return 0;
  return WriteBase(setup, "KFFA", EncodeSplitShiftGain(*x).mantissa);
}

int RecoverKFFA_scl(CVX_Setup& setup) {
  const auto mantissa = Base(setup, "KFFA");
  const auto low = Base(setup, "SFTAFFW");
  const auto high = Base(setup, "SFTKFF");
  if (!mantissa || !low || !high) return 0;
  return RecoverInto(Find(setup, "KFFA_scl"), 0.0, kSplitShiftGainMax, DecodeSplitShiftGain(*mantissa, *low, *high));
}

// ----- derivative filter and full-scale registers -----

int ComputeKDFP(CVX_Setup& setup) {
  const auto fraction = Base(setup, "filter_D");
  if (!fraction) return 0;
  return WriteBase(setup, "KDFP", EncodeQ15(*fraction));
}

int RecoverFilter_D(CVX_Setup& setup) {
  const auto count = Base(setup, "KDFP");
  if (!count) return 0;
  return RecoverInto(Find(setup, "filter_D"), 0.0, 1.0, DecodeQ15(*count));
}

int ComputeKFFL(CVX_Setup& setup) { return WriteBase(setup, "KFFL", kFullScale); }

int ComputeT1MAXPROT(CVX_Setup& setup) { return WriteBase(setup, "T1MAXPROT", kFullScale); }

// ----- first-order filters -----

namespace {

std::optional<double> FilterPeriod(CVX_Setup& setup, const FirstOrderFilterRow& row) {
  return row.fastLoop ? FastLoopPeriod(setup) : SlowLoopPeriod(setup);
}

}  // namespace

int ComputeFirstOrderFilter(CVX_Setup& setup, const FirstOrderFilterRow& row) {
  CVX_Parameter* target = Find(setup, row.coefficient);
  const auto enabled = Base(setup, row.enable);
  if (!target || !enabled) return 0;
  if (*enabled == 0.0) return WriteBase(target, kFilterOffCount);
  const auto corner_rad_s = Base(setup, row.corner);
  const auto period_s = FilterPeriod(setup, row);
  if (!corner_rad_s || !period_s) return 0;
  const double count = FilterCoefficient(*corner_rad_s, *period_s);
  return WriteBase(target, row.truncates ? std::trunc(count) : count);
}

int RecoverFilterEnable(CVX_Setup& setup, const FirstOrderFilterRow& row) {
  const auto count = Base(setup, row.coefficient);
  if (!count) return 0;
  return RecoverInto(Find(setup, row.enable), 0.0, 1.0, *count != kFilterOffCount ? 1.0 : 0.0);
}

int RecoverFilterCorner(CVX_Setup& setup, const FirstOrderFilterRow& row) {
  const auto count = Base(setup, row.coefficient);
  const auto period_s = FilterPeriod(setup, row);
  if (!count || !period_s) return 0;
  double corner_rad_s = row.defaultCorner_rad_s;
  if (*count != kFilterOffCount) {
    // A truncating register is recovered to the middle of its count's
    // interval, so that computing the register again gives the same count.
    const auto recovered = row.truncates ? FilterCornerForTruncated(*count, *period_s) : FilterCorner(*count, *period_s);
    if (!recovered) return 0;
    corner_rad_s = *recovered;
  }
  return RecoverInto(Find(setup, row.corner), 0.0, 0.5 / *period_s, corner_rad_s);
}

int ComputeFILTERQ(CVX_Setup& setup) { return ComputeFirstOrderFilter(setup, kCurrentOutputFilter); }
int RecoverIsUseFilterOnCrtCtrlOutput(CVX_Setup& setup) { return RecoverFilterEnable(setup, kCurrentOutputFilter); }
int RecoverFilterOnCurrentControllerOutput(CVX_Setup& setup) {
  return RecoverFilterCorner(setup, kCurrentOutputFilter);
}
int ComputeFILTER1(CVX_Setup& setup) { return ComputeFirstOrderFilter(setup, kAnalogueReferenceFilter); }
int RecoverUseFilter(CVX_Setup& setup) { return RecoverFilterEnable(setup, kAnalogueReferenceFilter); }
int RecoverFilter(CVX_Setup& setup) { return RecoverFilterCorner(setup, kAnalogueReferenceFilter); }

// ----- step scale -----

namespace {

// Microsteps per slow-loop sample at one microstep per processor half-clock.
// In exact arithmetic 4 * "SLPER" * "PWMPER" * microsteps, an integer; the
// route through the period can land just below it, which the word split
// would then truncate a whole count lower.
std::optional<WordSplit> StepRateWords(CVX_Setup& setup) {
  const auto ts = SlowLoopPeriod(setup);
  const auto clock_Hz = Base(setup, "DSP_freq");
  const auto microsteps = Base(setup, "NoMicroStepsPerStep");
  if (!ts || !clock_Hz || !microsteps) return std::nullopt;
  return SplitWord(SnapToInteger(*ts * 2.0 * *clock_Hz * *microsteps));
}

}  // namespace

int ComputeSCL2H(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "SCL2H");
  const auto words = StepRateWords(setup);
  if (!target || !words) return 0;
  return WriteBase(target, words->high);
}

int ComputeSCL2L(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "SCL2L");
  const auto words = StepRateWords(setup);
  if (!target || !words) return 0;
  return WriteBase(target, words->low);
}

int ComputeSFTSCL1(CVX_Setup& setup) {
  CVX_Parameter* target = Find(setup, "SFTSCL1");
  const auto microsteps = Base(setup, "NoMicroStepsPerStep");
  if (!target || !microsteps) return 0;
  const auto exponent = ExponentRegister(*microsteps);
  if (!exponent) return 0;
  return WriteInternal(target, *exponent);
}

}  // namespace engine
