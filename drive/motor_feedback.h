#pragma once

#include <cstdint>
#include <optional>
#include <variant>

#include "drive/encoder_incremental.h"
#include "drive/encoder_serial.h"
#include "drive/encoder_sincos.h"
#include "drive/motor_model.h"
#include "drive/named_values.h"

namespace drive {

struct SimulationConfig;

// The position sensor as the drive's feedback input reads it: the true
// sensor of the simulation (or, when the simulation names none, the sensor
// the setup's registers describe), decoded with the drive's registers
// ("COUNTINGDIR", "ELRES_FRACT", "SSIREV", "SSITURNS", "SSITYPE",
// "SSISENSE", "SSIFDBKTYPE").
class MotorFeedback {
 public:
  MotorFeedback(const SimulationConfig& simulation, const NamedValues& registers);

  bool present() const { return !std::holds_alternative<std::monostate>(sensor_); }
  SensorShaft shaft() const { return shaft_; }

  // Starts counting from the present shaft position: the relative counters
  // read 0, a serial encoder its absolute position.
  void Reset(const MotorModel& motor);
  // Reads the sensor at the present shaft position; false when a serial
  // frame is invalid (the drive's feedback error).
  bool Update(const MotorModel& motor);

  // The position counter ("APOS_MT"): 4 counts per line, times the
  // interpolation of a sine/cosine encoder; serial encoder counts.
  std::int64_t position() const { return position_; }
  // Quadrature counts only, 4 per line, since the reset.
  std::int64_t quadrature_count() const { return quadrature_; }
  // The single-turn word of a serial encoder after the drive's decoding.
  std::uint64_t single_turn() const { return single_turn_; }

  // Index capture: Arm() forgets a captured value; the next index mark
  // passed captures the position counter.
  void ArmCapture() { captured_.reset(); armed_ = true; }
  std::optional<std::int64_t> captured() const { return captured_; }

  // Counts of position() per revolution of the sensor's shaft.
  double counts_per_rev() const { return counts_per_rev_; }
  // Electrical angle per count in units of 2^-32 turn ("ENC2THL") applies to
  // the position shifted right by this many bits (a serial encoder of more
  // than 16 bits is read at 16 bits for the commutation).
  int commutation_shift() const { return commutation_shift_; }

 private:
  double ShaftAngle(const MotorModel& motor) const;

  std::variant<std::monostate, IncrementalEncoder, SinCosEncoder, SerialEncoder> sensor_;
  std::optional<SerialEncoderReader> reader_;
  SerialReaderConfig reader_config_;
  SensorShaft shaft_ = SensorShaft::Motor;
  bool reverse_counting_ = false;
  int fract_bits_ = 0;
  double counts_per_rev_ = 0.0;
  int commutation_shift_ = 0;
  std::int64_t position_ = 0;
  std::int64_t quadrature_ = 0;
  std::uint64_t single_turn_ = 0;
  double last_angle_ = 0.0;
  bool armed_ = false;
  std::optional<std::int64_t> captured_;
};

}  // namespace drive
