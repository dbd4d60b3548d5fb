#pragma once

// Control identifiers of the resistance and inductance identification test
// (template 290).
namespace resistance_inductance {

inline constexpr unsigned kTemplateId = 290;
inline constexpr unsigned long kHelpContext = 262412;

enum : int {
  kResistanceEdit = 1002,
  kResistanceUnit = 3128,
  kInductanceEdit = 1003,
  kInductanceUnit = 3129,
  kTestCurrentEdit = 1005,
  kTestCurrentUnit = 1017,
};

}  // namespace resistance_inductance
