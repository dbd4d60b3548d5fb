#pragma once

// Control identifiers of the motor phase connection test (template 288).
namespace phase_connection {

inline constexpr unsigned kTemplateId = 288;
inline constexpr unsigned long kHelpContext = 262411;

enum : int {
  kTestCurrentEdit = 1005,
  kTestCurrentUnit = 1017,
  kPhaseACurrentEdit = 1020,
  kPhaseABar = 1021,
  kPhaseBCurrentEdit = 1022,
  kPhaseBBar = 1023,
};

}  // namespace phase_connection
