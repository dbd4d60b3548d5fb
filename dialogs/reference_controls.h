#pragma once

// Control identifiers of the External Reference Setup dialog (template
// 111): every control its code and its tests refer to.
namespace reference {

inline constexpr unsigned kTemplateId = 111;
// Help topic of the dialog in the host's help file.
inline constexpr unsigned long kHelpContext = 262401;

enum : int {
  kOkButton = 1,
  kCancelButton = 2,
  // where the reference comes from
  kDigitalRadio = 3289,
  kAnalogueRadio = 3290,
  // analogue input: the reference range of the control mode
  kTestButton = 1000,
  kMaximumLabel = 1007,
  kMaximumEdit = 1006,
  kMaximumUnit = 1015,
  kMinimumLabel = 1009,
  kMinimumEdit = 1008,
  kScalePicture = 1014,
  kInputLowLabel = 3328,
  kInputHighLabel = 3327,
  // analogue input: dead band and filter
  kDeadBandPointLabel = 1011,
  kDeadBandPointEdit = 1010,
  kDeadBandPointUnit = 1016,
  kDeadBandRangeLabel = 1013,
  kDeadBandRangeEdit = 1012,
  kFilterCheck = 1001,
  kFilterLabel = 1002,
  kFilterEdit = 1003,
  kFilterUnit = 1004,
  // limits of the reference
  kLimitCheck = 3116,
  kAnalogueLimitEdit = 3302,
  kAnalogueLimitUnit = 3136,
  kDigitalLimitEdit = 3304,
  kDigitalLimitUnit = 3137,
  // digital reference: its kind, the gear ratio and the input
  kPulseDirectionRadio = 3291,
  kIncrementalEncoderRadio = 3292,
  kGearRatioGroup = 3294,
  kMasterLabel = 3297,
  kMasterEdit = 3296,
  kMasterNote = 3298,
  kSlaveLabel = 3299,
  kSlaveEdit = 3295,
  kSlaveNote = 3300,
  kConnectorLabel = 3400,
  kConnectorCombo = 3399,
  kHelpButton = 10024,
};

}  // namespace reference
