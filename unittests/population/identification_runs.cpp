#include "population/identification_runs.h"

#include <fmt/format.h>

#include <cmath>
#include <numbers>

#include "drive/encoder_serial.h"
#include "drive/sim_bench.h"
#include "engine/serial_encoder.h"
#include "kernel/missing_value.h"
#include "population/test_formulas.h"

namespace population {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

SimBench MakeBench(const TrueMotor& m, const Datasheet& d, bool serial_encoder = false) {
  return SimBench(ExampleFor(m, serial_encoder), SimulationJson(m, serial_encoder),
                  [&](CVX_Setup& setup) { TypeIntoSetup(setup, m, d, serial_encoder); });
}

double Internal(SimBench& bench, const char* name) { return bench.setup().GetParameterValueInInternalUnit(name); }

const char* Positioning(const TrueMotor& m) {
  return m.winding != Winding::kTwoPhase ? "Initial_Positioning_Test_SOL3" : "Initial_Positioning_Test";
}
const char* ProgramFor(const TrueMotor& m, const char* stem) {
  static thread_local std::string name;
  name = std::string(stem) + (m.winding != Winding::kTwoPhase ? "_SOL3" : m.closed_loop ? "_SCL" : "_SOL");
  return name.c_str();
}

Outcome Failed(double truth, std::string why) { return {Verdict::kHonestFailure, 0.0, truth, std::move(why)}; }

Outcome Judge(const TestResult& result, double truth, double tolerance) {
  if (!result.value) return Failed(truth, result.failure);
  const double value = *result.value;
  if (std::abs(value - truth) <= tolerance * std::abs(truth)) return {Verdict::kIdentified, value, truth, {}};
  return {Verdict::kSilentlyWrong, value, truth, fmt::format("{:+.2f} % off", 100 * (value / truth - 1))};
}

// The positioning run at `current`; its "In1" and "REFTST_V", or nothing
// when the test would stop there (no current measured).
struct Positioned {
  bool ok = false;
  double reference = 0.0;
  std::string failure;
};
Positioned Position(SimBench& bench, const TrueMotor& m, double current) {
  if (!bench.Run(Positioning(m), {{"In1", current}})) return {false, 0.0, "the positioning did not end"};
  const double measured = bench.ProgramVariable(Positioning(m), "In1");
  if (measured == kMissingValue || measured <= 0) return {false, 0.0, "the positioning measured no current"};
  return {true, bench.Variable("REFTST_V"), {}};
}

ResistanceRunPoint ResistanceRun(SimBench& bench, const TrueMotor& m, double current, double reference) {
  const char* program = ProgramFor(m, "Ident_R_or_Rs");
  auto logger = bench.MakeLogger(program);
  logger->ChangeSettings(400, 1, 1);
  logger->AddVariable("IQ", 0);
  if (!bench.Run(program, {{"In1", current}, {"RefTest", reference}}, logger.get())) return {0.0, 0.0};
  double sum = 0.0;
  const auto points = bench.Upload(*logger);
  for (const auto& p : points) sum += p.at(1);
  return {bench.Variable("var_i1"), points.empty() ? 0.0 : sum / static_cast<double>(points.size())};
}

double MeasuredSupply_V(SimBench& bench, double supply_counts) {
  return bench.setup().GetParameterValueInBaseUnit("VdcMaxMeasurable") * supply_counts /
         bench.setup().GetIdentity().adcMaxValue;
}

// The test found no standard resolution that fits its count: honest for an
// encoder made with a count of its own, a wrong reason for a standard one.
Outcome NoStandardFits(const TrueMotor& m, const std::string& text) {
  if (IsStandardLineCount(m.encoder_lines)) {
    return {Verdict::kSilentlyWrong, 0.0, static_cast<double>(m.encoder_lines),
            "said no standard resolution fits a standard encoder: " + text};
  }
  return Failed(m.encoder_lines, text);
}

}  // namespace

Outcome IdentifyResistance(const TrueMotor& m, const Datasheet& d) {
  SimBench bench = MakeBench(m, d);
  const double truth = m.r_ohm;
  const double current = std::trunc(Internal(bench, "TestCurrent"));
  const Positioned first = Position(bench, m, current);
  if (!first.ok) return Failed(truth, first.failure);
  const ResistanceRunPoint full = ResistanceRun(bench, m, current, first.reference);
  const Positioned second = Position(bench, m, std::floor(current / 2));
  if (!second.ok) return Failed(truth, second.failure);
  const ResistanceRunPoint half = ResistanceRun(bench, m, std::floor(current / 2), second.reference);
  // The test stores the measured supply before it computes R.
  const double vdc = MeasuredSupply_V(bench, bench.Variable("var_u2"));
  TestResult r = Resistance(current, full, half, bench.CurrentScale(), VoltageScale(bench.setup(), vdc));
  if (r.value) *r.value *= m.Connection();
  return Judge(r, truth, 0.01);
}

Outcome IdentifyInductance(const TrueMotor& m, const Datasheet& d) {
  SimBench bench = MakeBench(m, d);
  const double truth = m.l_H;
  const double current = std::trunc(Internal(bench, "TestCurrent"));
  const Positioned positioned = Position(bench, m, current);
  if (!positioned.ok) return Failed(truth, positioned.failure);
  // The supply the resistance runs measured before.
  if (!bench.Run("VDC_Detection_Test", {})) return Failed(truth, "the supply measurement did not end");
  const double vdc = MeasuredSupply_V(bench, bench.Variable("var_u2"));
  const char* program = ProgramFor(m, "Ident_L_or_Tau_el");
  auto logger = bench.MakeLogger(program);
  logger->ChangeSettings(400, 1, 1);
  logger->AddVariable("IQ", 0);
  logger->AddVariable("ID", 0);
  const bool closed_loop = Internal(bench, "StepperControlType") == 1;
  const double in1 = closed_loop ? current : 4960;
  const double reference = closed_loop ? positioned.reference : 10000;
  if (!bench.Run(program, {{"In1", in1}, {"RefTest", reference}}, logger.get())) {
    return Failed(truth, "the inductance program did not end");
  }
  if ((static_cast<int>(bench.Variable("MER")) & 0x8002) != 0) return Failed(truth, "a protection stopped the run");
  TestResult l = Inductance(bench.Variable("var_i1"), bench.Variable("TINCTST"), bench.Upload(*logger),
                            bench.FastPeriod_s(), bench.CurrentScale(), VoltageScale(bench.setup(), vdc));
  if (l.value) *l.value *= m.Connection();
  return Judge(l, truth, 0.03);
}

Outcome IdentifySupply(const TrueMotor& m, const Datasheet& d) {
  SimBench bench = MakeBench(m, d);
  if (!bench.Run("VDC_Detection_Test", {})) return Failed(m.supply_V, "the supply measurement did not end");
  return Judge(Supply(bench.Variable("var_u2"), bench.setup().GetIdentity().adcMaxValue,
                      bench.setup().GetParameterValueInBaseUnit("VdcMaxMeasurable")),
               m.supply_V, 0.005);
}

Outcome IdentifyTotalInertia(const TrueMotor& m, const Datasheet& d) {
  SimBench bench = MakeBench(m, d);
  // The encoder test has set the counting direction right.
  bench.setup().SetParameterValueInInternalUnit("COUNTINGDIR", m.encoder_reversed ? 1 : 0);
  const double truth = m.total_inertia_kgm2() * d.k_Nm_per_A / m.k_Nm_per_A;
  const double current = std::trunc(Internal(bench, "TestCurrent"));
  const Positioned positioned = Position(bench, m, current);
  if (!positioned.ok) return Failed(truth, positioned.failure);
  const double counts_per_rad = 4.0 * m.encoder_lines / kTwoPi;
  const double slow_s = SlowPeriod_s(bench.setup());
  const double speed_limit = std::trunc(m.test_speed_rad_s * counts_per_rad * slow_s);
  const char* program = "Total_Inertia_Identification_Test";
  if (!bench.Run(program, {{"RefTest", positioned.reference},
                           {"In1", current},
                           {"LimitSpeedMax", speed_limit},
                           {"Imax_Prot_Test", std::trunc(Internal(bench, "TestProtectionCurrent"))}},
                 nullptr, 60.0)) {
    return Failed(truth, "the inertia program did not end");
  }
  if ((static_cast<int>(bench.Variable("MER")) & 0xFFFF) != 0) return Failed(truth, "a protection stopped the run");
  return Judge(TotalInertia(bench.ProgramVariable(program, "test_flag"), bench.ProgramVariable(program, "delta_time"),
                            bench.ProgramVariable(program, "delta_speed"), current, counts_per_rad, slow_s,
                            bench.CurrentScale(), bench.setup().GetParameterValueInBaseUnit("K")),
               truth, 0.03);
}

Outcome IdentifyEncoder(const TrueMotor& m, const Datasheet& d) {
  SimBench bench = MakeBench(m, d);
  const double lines = m.encoder_lines;
  const char* program = "Encoder_Resolution_And_Direction_Test";
  // Runs the test once with the box as it stands: the verdict and the
  // positioning failure, if any.
  auto run_test = [&](EncoderVerdict& verdict) -> std::string {
    const Positioned positioned = Position(bench, m, std::trunc(Internal(bench, "TestCurrent")));
    if (!positioned.ok) return positioned.failure;
    bool moved = false;
    const auto watch = [&] { moved = moved || bench.Variable("var_lf_long") != 0; };
    if (!bench.Run(program, {{"RefTest", positioned.reference}, {"PolesPairs", std::trunc(m.steps_per_rev * 0.25)}},
                   nullptr, 60.0, watch)) {
      return "the encoder program did not end";
    }
    verdict = EncoderLines(bench.Variable("var_lf_long"), moved, m.steps_per_rev / 4);
    return {};
  };
  // The user leaves the box as the example has it; a count against the
  // phase sequence says to change it, and the test runs again.
  const bool counts_backwards = m.encoder_reversed != (Internal(bench, "COUNTINGDIR") != 0);
  EncoderVerdict verdict;
  if (std::string failure = run_test(verdict); !failure.empty()) return Failed(lines, failure);
  if (verdict.failure == 'A') return Failed(lines, "text A: the shaft did not turn");
  if (verdict.failure == 'N') return NoStandardFits(m, verdict.text);
  if ((verdict.failure == 'B') != counts_backwards) {
    return {Verdict::kSilentlyWrong, 0.0, lines,
            verdict.failure == 'B' ? "reported reversed counting" : "missed the reversed counting"};
  }
  if (verdict.failure == 'B') {
    bench.setup().SetParameterValueInInternalUnit("COUNTINGDIR", m.encoder_reversed ? 1 : 0);
    verdict = {};
    if (std::string failure = run_test(verdict); !failure.empty()) return Failed(lines, failure);
    if (verdict.failure == 'A') return Failed(lines, "text A after reversing: the shaft did not turn");
    if (verdict.failure == 'B') return {Verdict::kSilentlyWrong, 0.0, lines, "still reversed after reversing"};
    if (verdict.failure == 'N') return NoStandardFits(m, verdict.text);
  }
  return Judge({static_cast<double>(*verdict.lines), {}}, lines, 0.0);
}

Outcome IdentifySerialOffset(const TrueMotor& m, const Datasheet& d) {
  SimBench bench = MakeBench(m, d, true);
  const char* program = "SSI_Encoder_Offset_Detection_Test";
  if (!bench.Run(program, {{"RefTest", 0}, {"RIncTest", 0}}, nullptr, 60.0)) {
    return Failed(0, "the offset program did not end");
  }
  if ((static_cast<int>(bench.Variable("MER")) & 0x8022) != 0) return Failed(0, "a protection stopped the run");
  if (bench.Variable("var_i1") != 1) return Failed(0, "the program did not report an offset");
  const TestResult found = SerialOffset(bench.Variable("ZAOFF"), m.serial_bits);
  if (!found.value) return Failed(0, found.failure);
  // The encoder's reading at each electrical zero of the rotor: any of them
  // commutates alike. The drive's zero is where a current along phase A's
  // terminal axis holds the rotor: a delta's windings carry that current as
  // a field 30 degrees on from winding A's axis.
  const double zero_rad = m.winding == Winding::kDelta ? std::numbers::pi / 6 : 0.0;
  const drive::SerialEncoderParams truth{
      .protocol = m.serial_biss ? drive::SerialProtocol::BiSS : drive::SerialProtocol::SSI,
      .single_turn_bits = m.serial_bits, .offset_counts = m.serial_offset, .gray = m.serial_gray};
  const drive::SerialEncoderReader reader(
      {.protocol = truth.protocol, .single_turn_bits = m.serial_bits, .gray = m.serial_gray});
  const double turn = std::ldexp(1.0, m.serial_bits);
  const double tolerance = std::max(1.0, std::ldexp(1.0, m.serial_bits - 16));
  double nearest = 0.0;
  double error = turn;
  for (int k = 0; k < m.pole_pairs(); ++k) {
    const auto reading = reader.SingleTurn(drive::SerialEncoder(truth).Read((kTwoPi * k + zero_rad) / m.pole_pairs()));
    const double diff = std::remainder(*found.value - static_cast<double>(reading.value_or(0)), turn);
    if (std::abs(diff) < std::abs(error)) error = diff, nearest = static_cast<double>(reading.value_or(0));
  }
  if (std::abs(error) > tolerance) {
    return {Verdict::kSilentlyWrong, *found.value, nearest, fmt::format("{:+.0f} counts off an electrical zero", error)};
  }
  // What the setup keeps is the reading reduced to one electrical period: it
  // must still be an electrical zero, within half a count more.
  CVX_Setup& setup = bench.setup();
  setup.SetParameterValueInInternalUnit("ZAOFF", *found.value);
  if (!engine::RecoverSSI_Offset(setup)) return Failed(nearest, "the setup could not reduce the offset");
  const double kept = setup.GetParameterValueInInternalUnit("SSI_Offset");
  const double keptError = std::remainder(kept - nearest, turn / m.pole_pairs());
  if (std::abs(keptError) <= tolerance + 0.5) return {Verdict::kIdentified, *found.value, nearest, {}};
  return {Verdict::kSilentlyWrong, kept, nearest,
          fmt::format("kept {:.0f}, {:+.1f} counts off an electrical zero", kept, keptError)};
}

}  // namespace population
