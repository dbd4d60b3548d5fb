#pragma once

// Control identifiers of the prompt for a scope recording's name (template
// 3955).
namespace scope_recording {

inline constexpr unsigned kTemplateId = 3955;

enum : int {
  kNameEdit = 3956,
};

}  // namespace scope_recording
