#include "population/person_commissioning.h"

#include <fmt/format.h>

#include <cmath>
#include <numbers>

#include "commissioning/current_gain_design.h"
#include "commissioning/current_tuning_test.h"
#include "commissioning/current_tuning_test_controls.h"
#include "commissioning/encoder_resolution_estimate.h"
#include "commissioning/encoder_resolution_test.h"
#include "commissioning/encoder_resolution_test_controls.h"
#include "commissioning/resistance_inductance_test.h"
#include "commissioning/total_inertia.h"
#include "commissioning/total_inertia_test.h"
#include "commissioning/vdc_detection_test.h"
#include "engine/loop_periods.h"
#include "engine/scales.h"
#include "kernel/ui/test_base_ids.h"
#include "platform/user_actions.h"

namespace population {
namespace {

// The drive's converters and the programs' averaging, as the identification
// population found them (identification_runs.h): the supply within 0.5 %,
// R within 1 %, L within 3 %, the inertia within 3 %.
constexpr double kSupplyShare = 0.005;
constexpr double kResistanceShare = 0.01;
constexpr double kInductanceShare = 0.03;
constexpr double kInertiaShare = 0.03;
// Where a tuned current loop ends its step: within 5 % of it, the
// converter's noise averaged over a quarter of the log; unless the winding's
// resistance takes more than 80 % of the supply at the test current (the
// bridge's drop and the modulation's headroom take the rest).
constexpr double kStepEndShare = 0.05;
constexpr double kUsableSupplyShare = 0.8;

Outcome Judge(double value, double truth, double share) {
  if (std::abs(value - truth) <= share * std::abs(truth)) return {Verdict::kIdentified, value, truth, {}};
  return {Verdict::kSilentlyWrong, value, truth, fmt::format("{:+.2f} % off", 100 * (value / truth - 1))};
}

// A gain of the controller's registers: at least 15 significant bits, or
// steps of 1/32767 below 1.
double Quantum(double gain) { return (std::abs(gain) + 1.0) / 32767.0; }

// How a logged step (time, current reference, motor current, voltage
// reference) ended: the motor current over the log's last quarter as a
// share of the step, and the time logged from the step on.
struct StepEnd {
  double share = 0.0;
  double logged_s = 0.0;
};
StepEnd EndOfStep(const std::vector<std::vector<double>>& logged) {
  std::vector<double> response;
  double step = 0.0;
  double step_at_s = 0.0;
  StepEnd end;
  for (const std::vector<double>& p : logged) {
    if (step == 0.0 && p.at(1) > 0) step = p[1], step_at_s = p[0];
    if (step > 0.0) response.push_back(p.at(2) / step), end.logged_s = p[0] - step_at_s;
  }
  if (response.size() < 4) return end;
  const std::size_t from = response.size() * 3 / 4;
  double sum = 0.0;
  for (std::size_t k = from; k < response.size(); ++k) sum += response[k];
  end.share = sum / static_cast<double>(response.size() - from);
  return end;
}

}  // namespace

PersonCommissioning::Ended PersonCommissioning::PlayTest(const std::function<std::unique_ptr<CMyTestDlg>()>& make,
                                                         const std::function<void(platform::UserScript&)>& play,
                                                         int on_success) {
  // What the opener runs before it opens a test.
  RunOpenerSequences();
  events = {};
  platform::UserScript script;
  play(script);
  // The person reads the result and closes the dialog: with OK where the
  // test keeps its values by OK, else with Close and the question.
  script.Call([this, on_success](CDialog& dialog) {
    const bool succeeded = !events.outcomes.empty() && events.outcomes.back() == 1;
    const platform::ActionResult click = platform::Click(dialog, succeeded ? on_success : testdlg::kCloseButton);
    if (!click.ok) ADD_FAILURE() << click.error;
  });
  std::unique_ptr<CMyTestDlg> dialog;
  const platform::ScriptRun run = RunAnsweringKeep(script, {IDYES}, [&] {
    dialog = make();
    // After the construction, whose rule on "ABSTART_MINMOVE" holds for good.
    before_ = Saved();
    return dialog->DoModal();
  });
  Ended ended;
  if (!run.ok) ended.trouble = run.failure;
  ended.succeeded = !events.outcomes.empty() && events.outcomes.back() == 1;
  if (!ended.succeeded) {
    ended.error = events.errors.empty() ? "(the run ended without a text)" : events.errors.back();
    ended.kept_setup = Saved() == before_;
  }
  // What the opener runs after a test that ended with OK.
  if (run.result == IDOK) RunOpenerSequences();
  return ended;
}

std::optional<Outcome> PersonCommissioning::Failure(const Ended& ended, double truth) {
  if (!ended.trouble.empty()) {
    ADD_FAILURE() << "the person could not do as planned: " << ended.trouble;
    return Outcome{Verdict::kHonestFailure, 0.0, truth, "the script stopped: " + ended.trouble};
  }
  if (ended.succeeded) return std::nullopt;
  if (!ended.kept_setup) {
    return Outcome{Verdict::kSilentlyWrong, 0.0, truth, "failed, but changed the setup: " + ended.error};
  }
  return Outcome{Verdict::kHonestFailure, 0.0, truth, ended.error};
}

void PersonCommissioning::PrepareSetup(const TrueMotor& m, const Datasheet& d) {
  UseExample(ExampleFor(m, false));
  if (!setup) return;
  TypeIntoSetup(*setup, m, d, false);
  // Every motor carries an incremental encoder (an open-loop one to catch
  // lost steps), whose lines the user remembers wrong; and the speed the
  // user leaves for the inertia test.
  PutValue(*setup, "MotorSensorType", 1);
  PutValue(*setup, "No_encoder_lines", d.encoder_lines);
  PutValue(*setup, "TestMaxSpeed", m.test_speed_rad_s);
  AttachDrive(SimulationJson(m, false));
}

Outcome PersonCommissioning::DetectSupply(const TrueMotor& m) {
  const Ended ended = PlayTest([&] { return std::make_unique<CTestVdcDetection>(setup.get()); },
                               [](platform::UserScript& s) { StartAndWait(s); });
  if (auto failed = Failure(ended, m.supply_V)) return *failed;
  return Judge(Base("Vdc"), m.supply_V, kSupplyShare);
}

std::pair<Outcome, Outcome> PersonCommissioning::IdentifyWinding(const TrueMotor& m) {
  const Ended ended = PlayTest([&] { return std::make_unique<CTestRL>(setup.get(), 1); },
                               [](platform::UserScript& s) { StartAndWait(s); });
  if (auto failed = Failure(ended, m.r_ohm)) {
    Outcome l = *failed;
    l.truth = m.l_H;
    return {*failed, l};
  }
  return {Judge(Base("R"), m.r_ohm, kResistanceShare), Judge(Base("L"), m.l_H, kInductanceShare)};
}

Outcome PersonCommissioning::TuneCurrentLoop(const TrueMotor& m) {
  double kp_tuned = 0.0;
  double ki_tuned = 0.0;
  std::vector<std::vector<double>> logged;
  const Ended ended = PlayTest(
      [&] { return std::make_unique<CTestCurrent>(setup.get(), 1); },
      [&](platform::UserScript& s) {
        s.Tab(current_tuning::kTabs, 1).Click(current_tuning::kTuneButton).Call([&](CDialog&) {
          kp_tuned = Base("Kp_C_scl");
          ki_tuned = Base("Ki_C_scl");
        });
        StartAndWait(s).Call([&](CDialog& dialog) {
          const CGraphDocument& log = static_cast<CTestCurrent&>(dialog).GetResponse();
          for (std::size_t k = 0; k < log.GetPointCount(); ++k) logged.push_back(log.GetPoint(k));
        });
      },
      testdlg::kOkButton);
  // The gains the design gives for the true winding on the true supply.
  const bool delta = m.winding == Winding::kDelta;
  const commissioning::CurrentLoopPlant plant{
      .resistance_Ohm = m.r_ohm,
      .inductance_H = m.l_H,
      .delta = delta,
      .period_s = engine::FastLoopPeriod(*setup).value_or(0.0),
      .current_counts_per_A = engine::CurrentScale(*setup).value_or(0.0),
      .voltage_counts_per_V = engine::MotorVoltageScaleAt(*setup, m.supply_V).value_or(0.0)};
  const commissioning::CurrentLoopTarget target{.bandwidth_rad_s = Base("PB_C"), .damping = Base("Dump_C")};
  const auto truth = commissioning::DesignCurrentGains(plant, target);
  if (!truth.ok()) {
    ADD_FAILURE() << "no design for the true motor: " << truth.error();
    return {Verdict::kHonestFailure, 0.0, 0.0, truth.error()};
  }
  const double kp_truth = truth.value().kp;
  const double ki_truth = truth.value().ki;
  if (auto failed = Failure(ended, kp_truth)) return *failed;
  const double kp = Base("Kp_C_scl");
  const double ki = Base("Ki_C_scl");
  if (kp != kp_tuned || ki != ki_tuned) {
    return {Verdict::kSilentlyWrong, kp, kp_truth, "OK did not keep the tuned gains"};
  }
  // Kp = (2 zeta w L' - R') Kv / Kc and Ki = w^2 L' Ts Kv / Kc (L', R': the
  // winding as the drive sees it), or, for a winding faster than four
  // samples, Kp = (L' / (2 sqrt2 Ts) - R') Kv / Kc and Ki = w R' Ts Kv / Kc:
  // the identified L (3 %), R (1 %) and supply (0.5 %) carry into them
  // term by term, and the registers hold them to their quantum.
  const double seen = delta ? 3.0 : 1.0;
  const double volts_per_count = plant.voltage_counts_per_V / plant.current_counts_per_A;
  const double ts = plant.period_s;
  const double w = target.bandwidth_rad_s;
  const bool slow_winding = truth.value().pole_placement;
  const double l_term = (slow_winding ? 2 * target.damping * w : 1.0 / (2 * std::numbers::sqrt2 * ts)) * m.l_H / seen;
  const double kp_tolerance = (kInductanceShare * l_term + kResistanceShare * m.r_ohm / seen) * volts_per_count +
                              kSupplyShare * std::abs(kp_truth) + Quantum(kp_truth);
  const double ki_tolerance =
      ((slow_winding ? kInductanceShare : kResistanceShare) + kSupplyShare) * ki_truth + Quantum(ki_truth);
  Outcome outcome{Verdict::kIdentified, kp, kp_truth, {}, kp_tolerance};
  const double kp_error = std::abs(kp - kp_truth) / kp_tolerance;
  const double ki_error = std::abs(ki - ki_truth) / ki_tolerance;
  outcome.value = kp_error >= ki_error ? kp : ki;
  outcome.truth = kp_error >= ki_error ? kp_truth : ki_truth;
  outcome.tolerance = kp_error >= ki_error ? kp_tolerance : ki_tolerance;
  if (std::max(kp_error, ki_error) > 1.0) {
    outcome.verdict = Verdict::kSilentlyWrong;
    outcome.note = fmt::format("Kp {:.6g} for {:.6g}, Ki {:.6g} for {:.6g}", kp, kp_truth, ki, ki_truth);
    return outcome;
  }
  // The integral action ends the step on its reference within the log
  // (the designed loop settles in a few of its time constants 1 / (zeta w),
  // well under a millisecond), unless the supply cannot drive the winding
  // there: the test current through its resistance takes the usable
  // voltage, or the inductance slews the current so slowly at that voltage
  // that the step has not ended by half the log. A step along one phase of
  // a three-phase motor returns through the other two in parallel: its
  // phase gets two thirds of the voltage.
  const StepEnd ending = EndOfStep(logged);
  const double current_A = Base("TestCurrent");
  const double usable_V = kUsableSupplyShare * m.supply_V * (m.winding == Winding::kTwoPhase ? 1.0 : 2.0 / 3.0);
  const double resistive_V = m.r_ohm / seen * current_A;
  const bool supply_can = resistive_V < usable_V &&
                          m.l_H / seen * current_A / (usable_V - resistive_V) < 0.5 * ending.logged_s;
  if (std::abs(ending.share - 1.0) > kStepEndShare && supply_can) {
    outcome.verdict = Verdict::kSilentlyWrong;
    outcome.note = fmt::format("the tuned loop ends its step at {:.1f} % of it", 100 * ending.share);
  }
  return outcome;
}

Outcome PersonCommissioning::DetectEncoder(const TrueMotor& m, bool& lines_typed) {
  const auto make = [&] { return std::make_unique<CDetectEncoderResolution>(setup.get()); };
  const auto run = [](platform::UserScript& s) { StartAndWait(s); };
  const double lines = m.encoder_lines;
  Ended ended = PlayTest(make, run);
  std::optional<bool> box;  // the reverse counting box as the person set it
  if (!ended.succeeded && ended.error == commissioning::kResolutionWrongDirectionText && ended.kept_setup) {
    // The text says to change the reverse counting box: the person does,
    // and runs the test again.
    const bool reversed = Internal("ReverseCounting") != 0;
    box = !reversed;
    ended = PlayTest(make, [&](platform::UserScript& s) {
      s.Check(encoder_resolution::kReverseCountingCheck, !reversed);
      StartAndWait(s);
    });
  }
  const bool standard = IsStandardLineCount(m.encoder_lines);
  if (!ended.succeeded && ended.kept_setup && ended.error.starts_with("The encoder counted ")) {
    // No standard resolution fits the count: the person reads the lines off
    // the encoder's label and types them, as the text asks. A standard
    // encoder must not come to that.
    // The motor dialog keeps the box the person set in a test that kept
    // no estimate.
    if (box) PutValue(*setup, "ReverseCounting", *box ? 1 : 0);
    PutValue(*setup, "No_encoder_lines", lines);
    RunOpenerSequences();
    lines_typed = true;
    if (standard) return {Verdict::kSilentlyWrong, 0.0, lines, "said no standard resolution fits: " + ended.error};
  }
  if (auto failed = Failure(ended, lines)) return *failed;
  // The counter must now run with the phase sequence.
  if ((Internal("COUNTINGDIR") != 0) != m.encoder_reversed) {
    return {Verdict::kSilentlyWrong, Internal("No_encoder_lines"), lines, "succeeded counting the wrong way"};
  }
  // Standard or not, the estimate must be exactly the encoder's count.
  return Judge(Internal("No_encoder_lines"), lines, 0.0);
}

Outcome PersonCommissioning::MeasureTotalInertia(const TrueMotor& m, const Datasheet& d) {
  // The test turns the torque of the setup's torque constant into an
  // inertia: a datasheet constant off the truth scales it alike, which no
  // measurement of acceleration can tell.
  const double truth = m.total_inertia_kgm2() * d.k_Nm_per_A / m.k_Nm_per_A;
  const Ended ended = PlayTest([&] { return std::make_unique<CTotalInertiaTest>(setup.get()); },
                               [](platform::UserScript& s) { StartAndWait(s); });
  if (auto failed = Failure(ended, truth)) {
    // The text blames a counter that runs against the torque: so it must.
    const bool blames_direction = ended.error.starts_with(commissioning::kInertiaSpeedNegativeText);
    if (failed->verdict == Verdict::kHonestFailure && blames_direction &&
        (Internal("COUNTINGDIR") != 0) == m.encoder_reversed) {
      failed->verdict = Verdict::kSilentlyWrong;
      failed->note = "blamed the counting direction, which is right: " + ended.error;
    }
    return *failed;
  }
  return Judge(Base("Jt"), truth, kInertiaShare);
}

Commissioned PersonCommissioning::Commission(const TrueMotor& m, const Datasheet& d) {
  Commissioned done;
  PrepareSetup(m, d);
  if (!setup || HasFatalFailure()) return done;
  done.supply = DetectSupply(m);
  std::tie(done.resistance, done.inductance) = IdentifyWinding(m);
  // The gains are designed from the identified winding: without it there is
  // nothing to tune from.
  if (done.resistance->verdict != Verdict::kHonestFailure) done.current_tuning = TuneCurrentLoop(m);
  if (Internal("MotorSensorType") == 1) {
    done.encoder = DetectEncoder(m, done.lines_typed);
    // The inertia's speed comes from the encoder's counts: it needs the
    // lines and the direction found first (or the lines typed by hand).
    if (done.encoder->verdict != Verdict::kHonestFailure || done.lines_typed) {
      done.total_inertia = MeasureTotalInertia(m, d);
    }
  }
  return done;
}

}  // namespace population
