#pragma once

// Control identifiers of the "Motor inertia" dialog (template 3056) that its code
// and its tests refer to.
namespace inertiaquestion {

inline constexpr unsigned kTemplateId = 3056;

enum : int {
  kIncreaseRadio = 3333,
  kIgnoreRadio = 3334,
};

}  // namespace inertiaquestion
