#pragma once

// Control identifiers of the current controller tuning test (template 101)
// that its code and its tests refer to by name. The Start button, the result
// and status boxes and Help are the test base's.
namespace current_tuning {

inline constexpr unsigned kTemplateId = 101;
inline constexpr unsigned long kHelpContext = 262408;

enum : int {
  kTabs = 1300,
  // page "Test Parameters"
  kParametersGroup = 1301,
  kTestCurrentLabel = 1119,
  kTestCurrentEdit = 1120,
  kTestCurrentUnit = 1121,
  kProtectionLabel = 1122,
  kProtectionEdit = 1303,
  kProtectionUnit = 1304,
  kPicture = 1123,
  kProcedureLabel = 1376,
  kProcedureText = 1377,
  // page "Test": the controller's gains
  kGainsGroup = 1333,
  kKpLabel = 1334,
  kKpEdit = 1335,
  kKpDown = 1336,
  kKpSlider = 1337,
  kKpUp = 1338,
  kKpApply = 1368,
  kKiLabel = 1339,
  kKiEdit = 1340,
  kKiDown = 1341,
  kKiSlider = 1342,
  kKiUp = 1343,
  kKiApply = 1369,
  kBandwidthLabel = 3150,
  kBandwidthEdit = 3155,
  kBandwidthUnit = 3151,
  kBandwidthDown = 3153,
  kBandwidthSlider = 3152,
  kBandwidthUp = 3154,
  kTuneButton = 3149,
  kGraph = 1361,
  kSavePlotsButton = 1372,
  kResultLabel = 1374,
  kStatusLabel = 1375,
  // filter on the controller's output (closed loop)
  kFilterGroup = 3138,
  kFilterLabel = 3139,
  kFilterEdit = 3140,
  kFilterUnit = 3141,
  kUseFilterCheck = 3142,
  // gravitational load compensation (closed loop)
  kGravityGroup = 3143,
  kOffsetUnit = 3144,
  kOffsetEdit = 3145,
  kOffsetLabel = 3146,
  kCompensateGravityCheck = 3147,
};

}  // namespace current_tuning
