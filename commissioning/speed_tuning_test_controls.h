#pragma once

// Control identifiers of the speed controller tuning test (template 102)
// that its code and its tests refer to by name. The Start button, the result
// and status boxes and Help are the test base's.
namespace speed_tuning {

inline constexpr unsigned kTemplateId = 102;
inline constexpr unsigned long kHelpContext = 262402;

enum : int {
  kTabs = 1300,
  // page "Test Parameters"
  kProcedureText = 1377,
  kCurrentLimitEdit = 3284,
  kCurrentLimitUnit = 3283,
  kProtectionEdit = 3281,
  kProtectionUnit = 3279,
  kTotalInertiaEdit = 3270,
  kTotalInertiaUnit = 3288,
  kInertiaTestButton = 3271,
  kTestSpeedEdit = 1320,
  kTestSpeedUnit = 1321,
  kHoldTimeEdit = 1314,
  kHoldTimeUnit = 1315,
  kRestTimeEdit = 1317,
  kRestTimeUnit = 1318,
  kRiseTimeEdit = 1327,
  kRiseTimeUnit = 1328,
  kFallTimeEdit = 1330,
  kFallTimeUnit = 1331,
  kSpeedLimitEdit = 1043,
  kSpeedLimitUnit = 1044,
  kMultiCycleCheck = 1332,
  kOneWayRadio = 3528,
  kOtherWayRadio = 3529,
  kBothWaysRadio = 3530,
  kPlotAfterRadio = 1368,
  kPlotOnlineRadio = 1369,
  // page "Test": plots
  kGraph = 1361,
  kOscilloscope = 1362,
  kReferenceValue = 1364,
  kFeedbackValue = 1366,
  kSavePlotsButton = 1372,
  kSaveButton = 10067,
  kPictureButton = 10068,
  kExportButton = 10069,
  kScopeSettingsButton = 10062,
  kScopeDefaultsButton = 10063,
  kScopeAutoscaleButton = 10064,
  kScopeLoadButton = 10065,
  kScopeSaveButton = 10066,
  kPauseButton = 10016,
  kResumeButton = 10017,
  // page "Test": the controller
  kKpLabel = 1334,
  kKpEdit = 1335,
  kKpDown = 1336,
  kKpSlider = 1337,
  kKpUp = 1338,
  kKiLabel = 1339,
  kKiEdit = 1340,
  kKiDown = 1341,
  kKiSlider = 1342,
  kKiUp = 1343,
  kIntegralLimitEdit = 1346,
  kIntegralLimitSlider = 1348,
  kSpeedFeedForwardEdit = 1352,
  kSpeedFeedForwardSlider = 1354,
  kAccelerationFeedForwardEdit = 1357,
  kAccelerationFeedForwardSlider = 1359,
  kBandwidthEdit = 1380,
  kBandwidthSlider = 1382,
  kInertiaRatioLabel = 1384,
  kInertiaRatioEdit = 1385,
  kInertiaRatioDown = 1386,
  kInertiaRatioSlider = 1387,
  kInertiaRatioUp = 1388,
  kTuneButton = 1390,
  kFiltersButton = 1391,
};

}  // namespace speed_tuning
