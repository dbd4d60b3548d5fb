#pragma once

// Control identifiers of the "Move till aligned with phase A - Settings" dialog (template 3074) that its code
// and its tests refer to.
namespace startab {

inline constexpr unsigned kTemplateId = 3074;

enum : int {
  kTimeEdit = 3260,
  kTimeUnit = 3261,
  kMinimumMoveLabel = 3276,
  kMinimumMoveEdit = 3277,
  kMinimumMoveUnit = 3278,
  kMinimumMoveTrailer = 3263,
};

}  // namespace startab
