#pragma once

// Control identifiers of the load sensor's encoder connection test
// (template 3060): the motor sensor's diagram and counter beside the load
// sensor's.
namespace encoder_load_connection {

inline constexpr unsigned kTemplateId = 3060;

enum : int {
  kMotorDiagram = 1024,
  kMotorPositionEdit = 1022,
  kLoadDiagram = 1025,
  kLoadPositionEdit = 1026,
  kIndexLabel = 3343,
  kIndexPositionEdit = 3133,
};

}  // namespace encoder_load_connection
