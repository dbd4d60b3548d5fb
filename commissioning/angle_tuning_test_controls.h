#pragma once

// Control identifiers of the electric angle controller tuning test
// (template 3059) that its code and its tests refer to by name.
namespace angle_tuning {

inline constexpr unsigned kTemplateId = 3059;
inline constexpr unsigned long kHelpContext = 262418;

enum : int {
  kTabs = 1300,
  // page "Test Parameters"
  kProcedureText = 1377,
  kTestCurrentEdit = 3362,
  kTestCurrentUnit = 3363,
  kIncrementEdit = 3365,
  kIncrementUnit = 3366,
  kStabilizeTimeEdit = 3368,
  kStabilizeTimeUnit = 3369,
  kAcquisitionsEdit = 3357,
  kSamplingEdit = 3359,
  // page "Test"
  kGraph = 1361,
  kSavePlotsButton = 1372,
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
};

}  // namespace angle_tuning
