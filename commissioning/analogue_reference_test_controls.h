#pragma once

// Control identifiers of the analogue reference test (template 104).
namespace analogue_reference {

inline constexpr unsigned kTemplateId = 104;

enum : int {
  kVoltageEdit = 1010,
  kCommandEdit = 1011,
  kCommandCaption = 1013,
  kVoltageBar = 1014,
  kCommandBar = 1015,
  kCommandUnit = 1016,
  kCommandRangeUnit = 1017,
};

}  // namespace analogue_reference
