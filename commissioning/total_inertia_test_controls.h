#pragma once

// Control identifiers of the total inertia test (template 3041) that its
// code and its tests refer to by name.
namespace total_inertia {

inline constexpr unsigned kTemplateId = 3041;
inline constexpr unsigned long kHelpContext = 262417;

enum : int {
  kTotalInertiaEdit = 3263,
  kTotalInertiaUnit = 3264,
  kTestCurrentEdit = 1005,
  kTestCurrentUnit = 1017,
  kProtectionEdit = 3265,
  kProtectionUnit = 3266,
  kMaxSpeedEdit = 3267,
  kMaxSpeedUnit = 3268,
};

}  // namespace total_inertia
