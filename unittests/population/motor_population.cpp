#include "population/motor_population.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "commissioning/encoder_resolution_estimate.h"
#include "drive/sim_bench.h"
#include "engine/sequences.h"
#include "kernel/probe.h"
#include "kernel/resolution.h"
#include "kernel/setup.h"

namespace population {
namespace {

double LogUniform(std::mt19937_64& rng, double low, double high) {
  return std::exp(std::uniform_real_distribution<double>(std::log(low), std::log(high))(rng));
}

double Uniform(std::mt19937_64& rng, double low, double high) {
  return std::uniform_real_distribution<double>(low, high)(rng);
}

bool Coin(std::mt19937_64& rng) { return std::bernoulli_distribution(0.5)(rng); }

// Off the truth by `min_share` (10 %) to `max_share`, either way.
double Misread(std::mt19937_64& rng, double truth, double max_share, double min_share = 0.10) {
  const double share = Uniform(rng, min_share, max_share);
  return truth * (Coin(rng) ? 1.0 + share : 1.0 - share);
}

// A line count 3-12 % off `standard`, either way, that no standard count
// lies near: farther from each than twice what the encoder test's count can
// be off on a motor of `pole_pairs`, so that the test can tell it from them.
// The standard count when no such count turns up.
int NonStandardNear(std::mt19937_64& rng, int standard, int pole_pairs) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int lines = static_cast<int>(std::lround(Misread(rng, standard, 0.12, 0.03)));
    const double apart = 2 * commissioning::EncoderLinesError(lines, pole_pairs);
    if (std::none_of(CResolution::kLines.begin(), CResolution::kLines.end(),
                     [&](int s) { return std::abs(lines - s) <= apart; })) {
      return lines;
    }
  }
  return standard;
}

// The current controller designed from the datasheet's R and L with the
// example's bandwidth and damping, as the current tuning test designs it.
void DesignCurrentGains(CVX_Setup& setup, const Datasheet& d, bool delta) {
  const double ts = FastPeriod_s(setup);
  const double tau = d.l_H / d.r_ohm;
  const double r_seen = delta ? d.r_ohm / 3 : d.r_ohm;
  const double scale = r_seen * VoltageScale(setup) / CurrentScale(setup);
  const double w = setup.GetParameterValueInBaseUnit("PB_C");
  const double zeta = setup.GetParameterValueInBaseUnit("Dump_C");
  double kp = 0.0;
  double ki = 0.0;
  if (tau > 4 * ts) {
    kp = (2 * zeta * w * tau - 1) * scale;
    ki = w * w * tau * ts * scale;
  } else {
    kp = (tau / (2 * std::numbers::sqrt2 * ts) - 1) * scale;
    ki = w * ts * scale;
  }
  PutValue(setup, "Kp_C_scl", std::max(0.0, kp));
  PutValue(setup, "Ki_C_scl", ki);
}

}  // namespace

void PutValue(CVX_Setup& setup, const char* name, double value) {
  CVX_Parameter* p = kernel::ProbeParameter(setup, name);
  if (p == nullptr) throw std::runtime_error(fmt::format("the example has no parameter \"{}\"", name));
  if (p->HasMaximum() && value > p->GetMaximum()) p->SetMaximum(value);
  if (p->HasMinimum() && value < p->GetMinimum()) p->SetMinimum(value);
  p->SetValueInBaseUnit(value);
}

std::string TrueMotor::Describe() const {
  const char* names[] = {"two-phase", "star", "delta"};
  return fmt::format(
      "motor {}: {} {}, {} steps, R {:.3g} ohm, L {:.3g} mH (tau {:.3g} ms), K {:.3g} N*m/A, Jm {:.3g}, Jload {:.3g} "
      "kg*m^2, In {:.3g} A, supply {:.3g} V, test speed {:.3g} rad/s, encoder {} lines{}, serial {} bits offset {}",
      index, names[static_cast<int>(winding)], closed_loop ? "closed loop" : "open loop", steps_per_rev, r_ohm,
      l_H * 1e3, l_H / r_ohm * 1e3, k_Nm_per_A, jm_kgm2, jload_kgm2, rated_A, supply_V, test_speed_rad_s,
      encoder_lines, encoder_reversed ? " reversed" : "", serial_bits, serial_offset);
}

const std::vector<int>& StandardLineCounts() {
  static const std::vector<int> lines = {100,  128,  200,  250,  256,  360,  400,  500,  512,  1000,
                                         1024, 2000, 2048, 2500, 4000, 4096, 5000, 8192, 10000};
  return lines;
}

bool IsStandardLineCount(int lines) {
  return std::find(CResolution::kLines.begin(), CResolution::kLines.end(), lines) != CResolution::kLines.end();
}

std::vector<TrueMotor> DrawPopulation(std::uint64_t seed, int count) {
  std::mt19937_64 rng(seed);
  // The non-standard encoders come from a stream of their own, so that the
  // rest of a seed's population stays as it was drawn before they were.
  std::mt19937_64 odd(seed ^ 0x9e3779b97f4a7c15u);
  std::vector<TrueMotor> motors;
  for (int n = 0; n < count; ++n) {
    TrueMotor m;
    m.index = n;
    m.winding = static_cast<Winding>(std::uniform_int_distribution<int>(0, 2)(rng));
    m.closed_loop = m.winding != Winding::kTwoPhase || Coin(rng);
    m.steps_per_rev = Coin(rng) ? 200 : 400;
    m.rated_A = LogUniform(rng, 0.5, 6.0);
    // Windings are made for a rated voltage of a few volts to a few tens:
    // a 6 A motor of 20 ohm does not exist.
    do {
      m.r_ohm = LogUniform(rng, 1.0, 24.0) / m.rated_A;
    } while (m.r_ohm < 0.2 || m.r_ohm > 20.0);
    do {
      m.l_H = LogUniform(rng, 0.2e-3, 50e-3);
    } while (m.l_H / m.r_ohm < 20e-6 || m.l_H / m.r_ohm > 0.25);
    m.k_Nm_per_A = LogUniform(rng, 0.02, 1.0);
    // Rotor inertia grows with the motor as the torque constant does: from
    // about 2e-6 kg*m^2 at 0.02 N*m/A to 3e-4 at 1 N*m/A, within a factor of
    // three either way.
    do {
      const double size = std::log(m.k_Nm_per_A / 0.02) / std::log(1.0 / 0.02);
      m.jm_kgm2 = 2e-6 * std::pow(150.0, size) * LogUniform(rng, 1.0 / 3, 3.0);
    } while (m.jm_kgm2 < 2e-6 || m.jm_kgm2 > 5e-4);
    m.jload_kgm2 = Coin(rng) && Coin(rng) ? 0.0 : Uniform(rng, 0.0, 10.0) * m.jm_kgm2;
    m.supply_V = Uniform(rng, 12.0, 80.0);
    m.test_speed_rad_s = LogUniform(rng, 10.0, 150.0);
    const auto& lines = StandardLineCounts();
    do {
      m.encoder_lines = lines[std::uniform_int_distribution<std::size_t>(0, lines.size() - 1)(rng)];
    } while (m.encoder_lines < 200);
    // One encoder in six is made with a count of its own near a standard.
    if (std::bernoulli_distribution(1.0 / 6)(odd)) m.encoder_lines = NonStandardNear(odd, m.encoder_lines, m.pole_pairs());
    m.encoder_reversed = Coin(rng);
    m.serial_bits = std::uniform_int_distribution<int>(12, 20)(rng);
    m.serial_offset = std::uniform_int_distribution<std::uint64_t>(0, (std::uint64_t{1} << m.serial_bits) - 1)(rng);
    m.serial_biss = Coin(rng);
    m.serial_gray = Coin(rng);
    m.initial_angle_rad = Uniform(rng, 0.0, 2 * std::numbers::pi);
    motors.push_back(m);
  }
  return motors;
}

Datasheet DatasheetOf(const TrueMotor& m, std::uint64_t seed, double max_share) {
  std::mt19937_64 rng(seed * 7919 + static_cast<std::uint64_t>(m.index));
  Datasheet d{};
  d.r_ohm = Misread(rng, m.r_ohm, max_share);
  d.l_H = Misread(rng, m.l_H, max_share);
  d.k_Nm_per_A = Misread(rng, m.k_Nm_per_A, max_share);
  d.jm_kgm2 = Misread(rng, m.jm_kgm2, max_share);
  d.jload_over_jm = Misread(rng, m.jload_kgm2 / m.jm_kgm2, max_share);
  d.supply_V = Misread(rng, m.supply_V, max_share);
  d.encoder_lines = static_cast<int>(std::lround(Misread(rng, m.encoder_lines, max_share)));
  return d;
}

const char* ExampleFor(const TrueMotor& m, bool serial_encoder) {
  if (m.winding != Winding::kTwoPhase) return "three_phase_open_loop.json";
  if (serial_encoder) return "closed_loop_ssi_17bit.json";
  return m.closed_loop ? "closed_loop_incremental_1000.json" : "two_phase_open_loop.json";
}

std::string SimulationJson(const TrueMotor& m, bool serial_encoder) {
  const char* winding[] = {"two-phase", "star", "delta"};
  const std::string sensor =
      serial_encoder
          ? fmt::format(R"("ssi": {{"bits": {}, "offset": {}, "protocol": "{}", "gray": {}}})", m.serial_bits,
                        m.serial_offset, m.serial_biss ? "biss" : "ssi", m.serial_gray)
          : fmt::format(R"("encoder": {{"lines": {}, "reversed": {}}})", m.encoder_lines, m.encoder_reversed);
  return fmt::format(
      R"({{"seed": {}, "supply_V": {:.17g}, "initial_angle_rad": {:.17g},
          "motor": {{"winding": "{}", "R": {:.17g}, "L": {:.17g}, "K": {:.17g}, "pole_pairs": {},
                    "Jm": {:.17g}, "Jload": {:.17g}, "coulomb_friction": {:.17g}}},
          "sensors": {{{}}}}})",
      m.index + 1, m.supply_V, m.initial_angle_rad, winding[static_cast<int>(m.winding)], m.r_ohm, m.l_H,
      m.k_Nm_per_A, m.pole_pairs(), m.jm_kgm2, m.jload_kgm2, 0.02 * m.k_Nm_per_A * m.rated_A, sensor);
}

void TypeIntoSetup(CVX_Setup& setup, const TrueMotor& m, const Datasheet& d, bool serial_encoder) {
  const bool three_phase = m.winding != Winding::kTwoPhase;
  PutValue(setup, "R", d.r_ohm);
  PutValue(setup, "L", d.l_H);
  PutValue(setup, "K", d.k_Nm_per_A);
  PutValue(setup, "Jm", d.jm_kgm2);
  PutValue(setup, "Jload_over_J", d.jload_over_jm);
  PutValue(setup, "Vdc", d.supply_V);
  PutValue(setup, "NoMotorSteps", m.steps_per_rev);
  if (three_phase) PutValue(setup, "MotorPhaseConnectionType", m.winding == Winding::kDelta ? 1 : 0);
  // The user tests at the rated current and protects at one and a half
  // times it, within the converter's range.
  const double full_scale_A = setup.GetParameterValueInBaseUnit("ImaxPS");
  PutValue(setup, "In", m.rated_A);
  PutValue(setup, "TestCurrent", m.rated_A);
  const double protection_A = std::min(1.5 * m.rated_A, 0.95 * full_scale_A);
  // The motor's peak current, which bounds the protection the drive setup
  // offers: one and a half times the rated current, as the examples have it.
  PutValue(setup, "ImaxM", protection_A);
  PutValue(setup, "TestProtectionCurrent", protection_A);
  PutValue(setup, "Imax_Prot", protection_A);
  if (serial_encoder) {
    PutValue(setup, "SSI_No_Bits_Revolution", m.serial_bits);
  } else {
    PutValue(setup, "No_encoder_lines", m.encoder_lines);
  }
  DesignCurrentGains(setup, d, m.winding == Winding::kDelta);
  engine::ComputeRegisterParameters(setup);
  if (serial_encoder) {
    // The setup describes the encoder as it is.
    setup.SetParameterValueInInternalUnit("SSIREV", m.serial_bits);
    setup.SetParameterValueInInternalUnit("SSITYPE", m.serial_gray ? 1 : 0);
    setup.SetParameterValueInInternalUnit("SSISENSE", 1);
    setup.SetParameterValueInInternalUnit("SSIFDBKTYPE", m.serial_biss ? 2 : 1);
    // and commutates on it: the word's top 16 bits at most, the motor's
    // electrical periods per turn (an example without a serial sensor
    // computed these for its incremental one).
    const int commutationBits = std::min(m.serial_bits, 16);
    setup.SetParameterValueInInternalUnit("MECRESL", std::ldexp(1.0, commutationBits));
    setup.SetParameterValueInInternalUnit("ENC2THL", m.pole_pairs() * std::ldexp(1.0, 32 - commutationBits));
  }
}

}  // namespace population
