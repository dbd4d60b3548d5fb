#pragma once

// Control identifiers of the motor sensor's encoder connection test
// (template 291).
namespace encoder_connection {

inline constexpr unsigned kTemplateId = 291;
inline constexpr unsigned long kHelpContext = 262413;

enum : int {
  kDiagram = 1024,
  kPositionEdit = 1022,
  kIndexLabel = 3343,
  kIndexPositionEdit = 3133,
};

}  // namespace encoder_connection
