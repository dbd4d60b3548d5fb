#pragma once

// Control identifiers of the Drive Setup dialog (template 106) that its code
// and its tests refer to by name. The groups whose controls are only shown,
// hidden, enabled or disabled together are listed where those rules live.
namespace drivesetup {

inline constexpr unsigned kTemplateId = 106;
// Help topic of the dialog in the host's help file.
inline constexpr unsigned long kHelpContext = 262406;

enum : int {
  // drive operation parameters
  kVdcEdit = 3163,
  kDetectVdcButton = 3171,
  kCurrentLimitEdit = 3169,
  kRunCurrentEdit = 3416,
  kStandByCurrentEdit = 3211,
  kLoadSpeedLimitEdit = 1043,
  // current controller, or the voltage-control parameters in its place
  kCurrentGroup = 3172,
  kKpCurrentEdit = 3173,
  kKiCurrentEdit = 3176,
  kCurrentTestButton = 3137,
  kU0Edit = 3257,
  kKvEdit = 3263,
  kVoltageBoostEdit = 3268,
  kVoltageWarning = 3245,
  // speed controller
  kSpeedGroup = 3177,
  kKpSpeedEdit = 3179,
  kSpeedAccelerationFeedForwardEdit = 3183,
  kSpeedSpeedFeedForwardEdit = 3399,
  kSpeedTuneButton = 3178,
  // position controller
  kPositionGroup = 3189,
  kKpPositionEdit = 3190,
  kPositionSpeedFeedForwardEdit = 3196,
  kPositionAccelerationFeedForwardEdit = 3197,
  kPositionTuneButton = 3198,
  kLimitAccelerationCheck = 3117,
  kLimitAccelerationEdit = 1045,
  // position error detection and correction (open loop with a load sensor)
  kCorrectionGroup = 3630,
  kCorrectionWindowEdit = 3632,
  kCorrectionAdvancedButton = 3259,
  // control mode and reference
  kPositionModeRadio = 1059,
  kSpeedModeRadio = 1060,
  kTorqueModeRadio = 1061,
  kNoExternalReferenceRadio = 1063,
  kExternalReferenceRadio = 1064,
  kReferenceSetupButton = 3208,
  kAutoActivatedCheck = 3116,
  kDigitalReferenceRadio = 3290,
  kAnalogueReferenceRadio = 3291,
  kAnalogueLabel = 3262,
  kDigitalReferenceLabel = 3318,
  // microstepping
  kMicrostepsEdit = 1174,
  // protections
  kOverCurrentCheck = 3213,
  kPositionErrorCheck = 3230,
  kPositionErrorEdit = 3218,
  kSpeedErrorCheck = 3231,
  kSpeedErrorEdit = 3222,
  kMotorOverTemperatureCheck = 3232,
  kI2tCheck = 3233,
  // inputs polarity
  // each switch: value 0 in the first column (3409), 1 in the second (3410)
  kEnableFirstRadio = 1046,
  kEnableSecondRadio = 1047,
  kLimitSwitchPlusFirstRadio = 3251,
  kLimitSwitchPlusSecondRadio = 3252,
  kLimitSwitchMinusFirstRadio = 3253,
  kLimitSwitchMinusSecondRadio = 3254,
  kFirstColumnCaption = 3409,
  kSecondColumnCaption = 3410,
  kSourceNpnRadio = 3411,
  kSinkPnpRadio = 3412,
  // software limits and position range
  kSoftwareLimitsCheck = 3362,
  kNegativeLimitEdit = 3274,
  kPositiveLimitEdit = 3271,
  kPositionRangeCheck = 3352,
  kRangeMinimumEdit = 3281,
  kRangeMaximumEdit = 3283,
  // start mode
  kAlignedStartRadio = 1096,
  kMotionlessStartRadio = 1097,
  kAbsoluteStartRadio = 1098,
  kStartSettingsButton = 3285,
  kAngleTuneButton = 3264,
  // CANbus and axis identifier
  kSaveBaudRateCheck = 3378,
  kSaveAxisIdCheck = 3379,
  kAxisIdCombo = 3136,
  kBaudRateCombo = 10021,
  // motion complete
  kMotionCompleteGroup = 3286,
  kSettleBandEdit = 3554,
  kStabilizeTimeEdit = 3556,
  // buttons of the dialog
  kAdvancedButton = 3158,
  kDriveInfoButton = 3159,
  kMotorSetupButton = 10019,
  kHelpButton = 10024,
};

}  // namespace drivesetup
