#pragma once

// Control identifiers of the encoder connection tests: the motor sensor's
// (template 291), the load sensor's (template 3060) and the serial
// encoder's (template 3063).
namespace encoder_connection {

inline constexpr unsigned kMotorTemplateId = 291;
inline constexpr unsigned kLoadTemplateId = 3060;
inline constexpr unsigned kSerialTemplateId = 3063;
inline constexpr unsigned long kHelpContext = 262413;

enum : int {
  kMotorDiagram = 1024,
  kMotorPositionEdit = 1022,
  kIndexLabel = 3343,
  kIndexPositionEdit = 3133,
  // load sensor test only
  kLoadDiagram = 1025,
  kLoadPositionEdit = 1026,
  // serial encoder test: the diagram is kMotorDiagram
  kSerialPositionEdit = 3131,
};

}  // namespace encoder_connection
