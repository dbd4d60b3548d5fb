#pragma once

// Control identifiers of the encoder resolution and direction test
// (template 292) that its code and its tests refer to by name.
namespace encoder_resolution {

inline constexpr unsigned kTemplateId = 292;
inline constexpr unsigned long kHelpContext = 262414;

enum : int {
  kTestCurrentEdit = 1005,
  kTestCurrentUnit = 1017,
  kMotorStepsEdit = 3350,
  kReverseCountingCheck = 3357,
  kEncoderDial = 1024,
  kPositionCounter = 3131,
  kEstimatedLines = 1021,
};

}  // namespace encoder_resolution
