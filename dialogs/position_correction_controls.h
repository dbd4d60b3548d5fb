#pragma once

// Control identifiers of the "Position Error Correction Advanced Settings" dialog (template 3075) that its code
// and its tests refer to.
namespace positioncorrection {

inline constexpr unsigned kTemplateId = 3075;

enum : int {
  kAttemptsEdit = 3634,
  kSpeedDecreaseEdit = 3640,
  kSpeedDecreaseUnit = 3649,
  kAccelerationDecreaseEdit = 3638,
  kAccelerationDecreaseUnit = 3648,
};

}  // namespace positioncorrection
