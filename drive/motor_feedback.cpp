#include "drive/motor_feedback.h"

#include <algorithm>
#include <cmath>

#include "drive/simulation_config.h"

namespace drive {

namespace {

// Sensor codes in the low bits of "SCR": 0 incremental, 2 sine/cosine,
// 3 SSI, 5 BiSS; all six low bits set means no sensor.
constexpr std::int64_t kScrNoSensor = 0x3F;
constexpr std::int64_t kScrCodeMask = 0x7;

int RegisterInt(const NamedValues& registers, std::string_view name, int fallback) {
  return static_cast<int>(std::lround(registers.Get(name, fallback)));
}

// The sensor the registers describe, for a simulation that names none: a
// setup that is right about its sensor.
SensorsConfig NominalSensors(const NamedValues& registers) {
  SensorsConfig sensors;
  const auto scr = static_cast<std::int64_t>(registers.Get("SCR", kScrNoSensor));
  if ((scr & kScrNoSensor) == kScrNoSensor) return sensors;
  const int lines = std::max(1, RegisterInt(registers, "MECRESL", 4000) / 4);
  // A setup that counts in reverse does so because the encoder is wired so.
  const bool reversed = registers.Get("COUNTINGDIR", 0) != 0;
  switch (scr & kScrCodeMask) {
    case 2:
      sensors.sincos = SinCosEncoderParams{.lines = lines, .reversed = reversed};
      break;
    case 3:
    case 5:
      sensors.serial = SerialEncoderParams{
          .protocol = (scr & kScrCodeMask) == 5 ? SerialProtocol::BiSS : SerialProtocol::SSI,
          .single_turn_bits = std::clamp(RegisterInt(registers, "SSIREV", 16), 1, kMaxSingleTurnBits),
          .multi_turn_bits = std::clamp(RegisterInt(registers, "SSITURNS", 0), 0, kMaxMultiTurnBits),
          .offset_counts = static_cast<std::uint64_t>(std::max(0, RegisterInt(registers, "ZAOFF", 0))),
          .gray = RegisterInt(registers, "SSITYPE", 0) == 1,
          .reversed = RegisterInt(registers, "SSISENSE", 1) == -1,
      };
      break;
    default:
      sensors.incremental = IncrementalEncoderParams{.lines = lines, .reversed = reversed};
      break;
  }
  return sensors;
}

}  // namespace

MotorFeedback::MotorFeedback(const SimulationConfig& simulation, const NamedValues& registers) {
  const SensorsConfig& configured = simulation.sensors;
  const bool named = configured.incremental || configured.sincos || configured.serial;
  const SensorsConfig sensors = named ? configured : NominalSensors(registers);
  shaft_ = sensors.shaft;
  reverse_counting_ = registers.Get("COUNTINGDIR", 0) != 0;
  if (sensors.serial) {
    const SerialEncoderParams& p = *sensors.serial;
    sensor_.emplace<SerialEncoder>(p);
    const int bits = std::clamp(RegisterInt(registers, "SSIREV", p.single_turn_bits), 1, kMaxSingleTurnBits);
    reader_config_ = SerialReaderConfig{
        .protocol = RegisterInt(registers, "SSIFDBKTYPE", p.protocol == SerialProtocol::BiSS ? 2 : 1) == 2
                        ? SerialProtocol::BiSS
                        : SerialProtocol::SSI,
        .single_turn_bits = bits,
        .multi_turn_bits = std::clamp(RegisterInt(registers, "SSITURNS", p.multi_turn_bits), 0, kMaxMultiTurnBits),
        .gray = RegisterInt(registers, "SSITYPE", p.gray ? 1 : 0) == 1,
        .reverse = RegisterInt(registers, "SSISENSE", 1) == -1,
    };
    reader_.emplace(reader_config_);
    counts_per_rev_ = std::ldexp(1.0, bits);
    commutation_shift_ = std::max(0, bits - 16);
  } else if (sensors.sincos) {
    sensor_.emplace<SinCosEncoder>(*sensors.sincos);
    fract_bits_ = std::clamp(RegisterInt(registers, "ELRES_FRACT", 0), 0, 16);
    counts_per_rev_ = 4.0 * sensors.sincos->lines * std::ldexp(1.0, fract_bits_);
  } else if (sensors.incremental) {
    sensor_.emplace<IncrementalEncoder>(*sensors.incremental);
    counts_per_rev_ = 4.0 * sensors.incremental->lines;
  }
}

double MotorFeedback::ShaftAngle(const MotorModel& motor) const {
  return shaft_ == SensorShaft::Load ? motor.load_angle_rad() : motor.state().angle_rad;
}

void MotorFeedback::Reset(const MotorModel& motor) {
  const double angle = ShaftAngle(motor);
  last_angle_ = angle;
  position_ = 0;
  quadrature_ = 0;
  if (auto* e = std::get_if<IncrementalEncoder>(&sensor_)) e->Reset(angle);
  if (auto* e = std::get_if<SinCosEncoder>(&sensor_)) e->Reset(angle);
  if (reader_) {
    reader_.emplace(reader_config_);
    Update(motor);
  }
}

bool MotorFeedback::Update(const MotorModel& motor) {
  const double angle = ShaftAngle(motor);
  bool index = false;
  if (const auto* e = std::get_if<IncrementalEncoder>(&sensor_)) {
    position_ = quadrature_ = e->Count(angle, reverse_counting_);
    index = e->IndexBetween(last_angle_, angle);
  } else if (const auto* e = std::get_if<SinCosEncoder>(&sensor_)) {
    quadrature_ = e->CoarseCount(angle, reverse_counting_);
    position_ = e->FineCount(angle, fract_bits_, reverse_counting_);
    index = e->IndexBetween(last_angle_, angle);
  } else if (const auto* e = std::get_if<SerialEncoder>(&sensor_)) {
    const SerialFrame frame = e->Read(angle);
    if (!reader_->Update(frame)) return false;
    position_ = quadrature_ = reader_->position();
    single_turn_ = reader_->SingleTurn(frame).value_or(0);
  }
  if (index && armed_) {
    captured_ = position_;
    armed_ = false;
  }
  last_angle_ = angle;
  return true;
}

}  // namespace drive
