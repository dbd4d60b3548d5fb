#pragma once

// Control identifiers of the "Drive info" dialog (template 3018) that its
// code and its tests refer to.
namespace driveinfo {

inline constexpr unsigned kTemplateId = 3018;

enum : int {
  kFirmwareEdit = 3278,
  kProductEdit = 3277,
  kE2ROMSizeEdit = 3276,
  kDescriptionEdit = 3275,
  kUserAppEdit = 3114,
  kMotorSupplyMinEdit = 3087,
  kMotorSupplyMinUnit = 3088,
  kMotorSupplyMaxEdit = 3089,
  kMotorSupplyMaxUnit = 3090,
  kLogicSupplyMinEdit = 3092,
  kLogicSupplyMinUnit = 3093,
  kLogicSupplyMaxEdit = 3094,
  kLogicSupplyMaxUnit = 3095,
  kNominalCurrentEdit = 1159,
  kNominalCurrentUnit = 1160,
  kPeakCurrentEdit = 1161,
  kPeakCurrentUnit = 1162,
  kMeasurableVoltageEdit = 1163,
  kMeasurableVoltageUnit = 1164,
  kTemperatureSensorCheck = 3097,
  kSensorGainLabel = 3098,
  kSensorGainEdit = 1165,
  kSensorGainUnit = 1166,
  kSensorOffsetLabel = 3101,
  kSensorOffsetEdit = 1167,
  kSensorOffsetUnit = 1168,
  kOverTemperatureCheck = 3325,
  kTemperatureLimitLabel = 3326,
  kTemperatureLimitEdit = 1177,
  kTemperatureLimitUnit = 1178,
  kOverVoltageCheck = 3103,
  kOverVoltageLabel = 3104,
  kOverVoltageEdit = 1169,
  kOverVoltageUnit = 1170,
  kUnderVoltageCheck = 3105,
  kUnderVoltageLabel = 3106,
  kUnderVoltageEdit = 1171,
  kUnderVoltageUnit = 1172,
  kI2tCheck = 3107,
  kI2tCurrentLabel = 3108,
  kI2tCurrentEdit = 1173,
  kI2tCurrentUnit = 1174,
  kI2tTimeEdit = 1175,
  kI2tTimeUnit = 1176,
  kI2tTimeLabel = 3109,
  kAnalogueRangeEdit = 1179,
  kAnalogueRangeUnit = 1180,
};

}  // namespace driveinfo
