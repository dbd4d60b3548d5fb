#pragma once

// Control identifiers of the scope's settings dialog (template 3950).
namespace scope_settings {

inline constexpr unsigned kTemplateId = 3950;

enum : int {
  kPointsEdit = 3951,
  kDividerEdit = 3952,
};

}  // namespace scope_settings
