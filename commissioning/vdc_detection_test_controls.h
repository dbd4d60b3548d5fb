#pragma once

// Control identifiers of the supply voltage detection test (template 105).
// The test base's own controls are in kernel/ui/test_base_ids.h.
namespace vdc_detection {

inline constexpr unsigned kTemplateId = 105;

enum : int {
  kVdcEdit = 1012,
  kVdcUnit = 1013,
};

}  // namespace vdc_detection
