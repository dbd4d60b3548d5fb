#pragma once

// Control identifiers of the serial encoder connection test (template 3063).
namespace ssi_connection {

inline constexpr unsigned kTemplateId = 3063;

enum : int {
  kDiagram = 1024,
  kPositionEdit = 3131,
};

}  // namespace ssi_connection
