#pragma once

// Control identifiers of the "Advanced" dialog (template 110) that its code
// and its tests refer to.
namespace advanced {

inline constexpr unsigned kTemplateId = 110;
// Help topic of the dialog in the host's help file.
inline constexpr unsigned long kHelpContext = 262419;

enum : int {
  kPositionCurrentLoopsRadio = 3344,
  kPositionSpeedCurrentLoopsRadio = 3345,
  kSlowLoopRadio = 1146,
  kFastLoopRadio = 1147,
  kLoopChoiceGroup = 3347,
  kEstimatorGroup = 3361,
  kEstimatorCheck = 3363,
  kPwmFrequencyLabel = 1128,
  kPwmFrequencyEdit = 1129,
  kPwmFrequencyUnit = 1130,
  kFastDividerLabel = 1131,
  kFastDividerEdit = 1132,
  kSlowDividerLabel = 1134,
  kSlowDividerEdit = 1135,
  kPwmPeriodEdit = 1138,
  kPwmPeriodUnit = 1139,
  kFastPeriodLabel = 1140,
  kFastPeriodEdit = 1141,
  kFastPeriodUnit = 1142,
  kSlowPeriodLabel = 1143,
  kSlowPeriodEdit = 1144,
  kSlowPeriodUnit = 1145,
  kFastOutsideLimits = 1148,
  kSlowOutsideLimits = 1149,
  kSchemePicture = 3280,
  kSpeedForwardGroup = 3376,
  kSpeedForwardToSpeedLoop = 3374,
  kSpeedForwardToCurrentLoop = 3375,
  kPhaseAdvanceGroup = 3380,
  kPhaseAdvanceLabel = 3381,
  kPhaseAdvanceEdit = 3382,
  kPhaseAdvanceUnit = 3383,
  kFreezeGroup = 3401,
  kFreezeCheck = 3402,
  kFreezeBandLabel = 3403,
  kFreezeTimeLabel = 3404,
  kFreezeBandEdit = 3405,
  kFreezeBandUnit = 3406,
  kFreezeTimeEdit = 3407,
  kFreezeTimeUnit = 3408,
  kCurrentModeRadio = 3417,
  kVoltageModeRadio = 3418,
  kSlowPeriodFormula = 3422,
  kEncoderOnLoadGroup = 3348,
  kPidOnLoadRadio = 1152,
  kCorrectionOnLoadRadio = 1153,
  kHelpButton = 10024,
};

}  // namespace advanced
