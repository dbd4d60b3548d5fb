#pragma once

// Control identifiers of the voltage mode's parameters identification test
// (template 3061).
namespace voltage_identification {

inline constexpr unsigned kTemplateId = 3061;
inline constexpr unsigned long kHelpContext = 262416;

enum : int {
  kMinimumCurrentEdit = 3423,
  kMinimumCurrentUnit = 3424,
  kMaximumSpeedEdit = 3267,
  kMaximumSpeedUnit = 3268,
  kVoltageBoostEdit = 3270,
  kVoltageBoostFactorEdit = 3430,
  kSpeedConstantEdit = 3265,
  kVoltageOffsetEdit = 3269,
  kStandByVoltageEdit = 3271,
  // labels of the results, shown in the expert view
  kSpeedConstantLabel = 3432,
  kVoltageOffsetLabel = 3433,
  kStandByVoltageLabel = 3434,
  kVoltageBoostFactorLabel = 3435,
};

}  // namespace voltage_identification
