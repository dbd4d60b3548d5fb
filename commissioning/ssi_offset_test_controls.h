#pragma once

// Control identifiers of the serial encoder offset detection (template 3058).
namespace ssi_offset {

inline constexpr unsigned kTemplateId = 3058;
inline constexpr unsigned long kHelpContext = 262422;

enum : int {
  kTestCurrentEdit = 1005,
  kTestCurrentUnit = 1017,
  kOffsetEdit = 3131,
};

}  // namespace ssi_offset
