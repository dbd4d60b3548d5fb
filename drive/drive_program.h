#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drive/motor_model.h"
#include "drive/named_values.h"

// The framework on which the drive's test programs are written.
//
// A program is a small state machine. When a test starts it by name the
// drive creates a fresh instance from the registry, switches the axis on,
// sets "STARTED" to 1 and then calls Step() once per fast-loop (current-loop)
// period, in drive time, until Step() returns ProgramState::kEnded or a
// protection stops it. The drive then switches the axis off; the program's
// variables and the drive variables keep their last values for the test to
// read.
//
// Within one fast-loop period the drive:
//   1. samples the phase currents (measured_current_counts()) and, at the
//      start of each slow-loop period, the supply;
//   2. calls Step(): the program reads what it needs and commands either a
//      current (the fast current controller then runs from the registers'
//      gains) or a voltage (the controller stays out of the way);
//   3. runs the current controller, applies the voltage through the bridge
//      and advances the motor by one period;
//   4. records a point when logging is on and the point falls due.
// Everything is deterministic: a program must not read a clock, a random
// source or anything outside its context.
namespace drive {

struct SimulationConfig;  // drive/simulation_config.h: the true plant and the person around it

// A vector in the stator frame, in the drive's integer units. Two-phase
// motors: alpha is phase A, beta is phase B. Three-phase motors: the
// amplitude-invariant transform of the three line quantities, so alpha
// equals phase A when the vector lies on phase A's axis (the test current
// "In1" then flows fully in phase A and half back through B and C).
struct StatorVector {
  double alpha = 0.0;
  double beta = 0.0;
};
double Magnitude(const StatorVector& v);

// Bits of the drive error register "MER" that the simulation raises.
namespace mer {
inline constexpr std::uint16_t kShortCircuit = 0x0002;     // over-current
inline constexpr std::uint16_t kControlError = 0x0008;     // position or speed error beyond its limit
inline constexpr std::uint16_t kFeedbackError = 0x0020;    // missing or implausible sensor signals
inline constexpr std::uint16_t kPositiveLimit = 0x0040;
inline constexpr std::uint16_t kNegativeLimit = 0x0080;
inline constexpr std::uint16_t kEnableInputOff = 0x8000;
}  // namespace mer

// Full scale of the drive's 16-bit quantities: a voltage reference of
// ±kFullScale is the full supply across a phase.
inline constexpr int kFullScale = 32767;

// What a program sees and drives. Implemented by the simulated drive; a
// test of a single program may implement it with a bench of its own.
class ProgramContext {
 public:
  virtual ~ProgramContext() = default;

  // --- Time -----------------------------------------------------------
  // The fast (current) loop period and the slow (speed and position) loop
  // period, from the registers as downloaded.
  virtual double fast_period_s() const = 0;
  virtual double slow_period_s() const = 0;
  // Fast steps since this program started; 0 in the first Step().
  virtual std::int64_t step_index() const = 0;
  // True in the fast step that begins a slow-loop period (the first step
  // is one); the slow-loop controllers run in these steps only.
  virtual bool IsSlowLoopStep() const = 0;
  double time_s() const { return static_cast<double>(step_index()) * fast_period_s(); }
  // Fast steps in `seconds`, at least one.
  std::int64_t StepsIn(double seconds) const;

  // --- Values ---------------------------------------------------------
  // The setup's register parameters as downloaded before the start, in
  // internal units ("KPI", "SFTKPI", "ACR"), plus WriteRegister changes made
  // while the program runs. Read-only for programs.
  virtual const NamedValues& registers() const = 0;
  // The drive variables of the axis ("MER", "APOS_MT", "REFTST_V",
  // "var_i1"): a program leaves its results here, and the values it wants
  // logged ("Motor_Current") are published here under the logged name,
  // updated every step. Values are in internal units.
  virtual NamedValues& variables() = 0;
  // The program's own variables ("STARTED", "In1", "test_flag"): the
  // inputs the test wrote, and the outputs the program sets. Writes by the
  // test while the program runs appear here before the next Step().
  virtual NamedValues& program_variables() = 0;
  // The true plant and the person around the test (hand-turned shaft,
  // analogue input voltage over time, injected faults).
  virtual const SimulationConfig& simulation() const = 0;

  // --- Plant ----------------------------------------------------------
  // The motor as it is; a program may change its mechanical state (the
  // person turning the shaft by hand), never its parameters.
  virtual MotorModel& motor() = 0;
  // Phase currents sampled at the start of this step, in converter counts
  // (ADCMax / (2 × ImaxPS) per ampere), as a stator vector.
  virtual StatorVector measured_current_counts() const = 0;
  // The measured supply in converter counts (var_u2's unit):
  // ADCMax × Vdc / "VdcMaxMeasurable", quantised, noisy like the currents.
  virtual std::int32_t MeasureSupply_counts() = 0;
  // Counts per ampere of measured current, and voltage-reference counts per
  // volt of the setup's nominal supply ("Vdc"): the scales the tests use.
  virtual double current_counts_per_A() const = 0;
  virtual double voltage_counts_per_V() const = 0;

  // --- Commands (each holds until the next command) -------------------
  // Closed current loop: the fast controller drives the measured current to
  // `reference` (converter counts) with the gains "KPI"/"SFTKPI",
  // "KII"/"SFTKII" and its saturations. The controller's integrator is kept
  // when switching between current references, cleared when coming from a
  // voltage command.
  virtual void CommandCurrent(const StatorVector& reference_counts) = 0;
  // Open voltage: `reference` in voltage counts (±kFullScale is the full
  // supply), clipped by the PWM limit.
  virtual void CommandVoltage(const StatorVector& reference_counts) = 0;
  // The voltage reference applied in this step's period, after the
  // controller and its saturation (what "Voltage_Reference" logs and what an
  // identification program reports).
  virtual StatorVector voltage_reference_counts() const = 0;
  // Positioning and microstepping: a current of `amplitude_counts` along the
  // electrical angle (0 is phase A's axis). drive::OpenLoopStepper
  // (drive/open_loop_stepping.h) adds the run and stand-by currents.
  void CommandCurrentAtAngle(double electrical_angle_rad, double amplitude_counts);

  // --- Logging and errors ---------------------------------------------
  // Starts recording the logging the test requested with the start (its
  // variables are read from variables() by name, at the requested loop and
  // divider, until its point count is reached). Programs call it when the
  // part worth plotting begins; calling it again does nothing.
  virtual void StartLogging() = 0;
  // Raises bits of "MER". The drive stops the program at once when a bit
  // of the protection mask (short circuit, control error, feedback error,
  // limit switches, ENABLE) is set; Step() is not called again.
  virtual void RaiseErrors(std::uint16_t mer_bits) = 0;
  virtual std::uint16_t errors() const = 0;
};

enum class ProgramState { kRunning, kEnded };

// A test program. Instances are created per start and never reused.
class Program {
 public:
  virtual ~Program() = default;

  // One fast-loop period. Return kEnded to finish: the drive switches the
  // axis off (so the test sees the program ended) and calls Step() no more.
  virtual ProgramState Step(ProgramContext& context) = 0;

  // Drive variables the program publishes for logging or reading
  // ("Motor_Current"); the drive creates them with 0 at the start, so a
  // logging request naming them is accepted before the first Step().
  virtual std::vector<std::string> PublishedVariables() const { return {}; }

  // Whether the program drives current through the motor. Only such
  // programs wait for the ENABLE input: the ones that measure the supply or
  // an input, or follow a shaft turned by hand, run with it off, as the
  // tests that start them ignore it.
  virtual bool PowersTheStage() const { return true; }

  // A command text sent while the program runs (such as
  // "DISCAPI;!CAP;ENCAPI1;"). Return false to reject it: the test then
  // sees a failed command. The default knows no command.
  virtual bool OnCommand(ProgramContext& context, std::string_view text) {
    (void)context;
    (void)text;
    return false;
  }
};

using ProgramFactory = std::function<std::unique_ptr<Program>()>;

// The programs a drive can run, by name ignoring letter case.
class ProgramRegistry {
 public:
  // A second program of the same name replaces the first.
  void Add(std::string_view name, ProgramFactory factory);
  bool Has(std::string_view name) const;
  // nullptr for an unknown name.
  std::unique_ptr<Program> Create(std::string_view name) const;
  std::vector<std::string> Names() const;

  template <typename P>
  void Add(std::string_view name) {
    Add(name, [] { return std::unique_ptr<Program>(std::make_unique<P>()); });
  }

 private:
  std::map<std::string, std::pair<std::string, ProgramFactory>> programs_;  // by NameKey
};

// Every program of the drive. Built once from the catalogue generated by
// drive/CMakeLists.txt: each source file drive/programs_<group>.cpp must
// define, in namespace drive,
//     void RegisterPrograms_<group>(ProgramRegistry& registry);
// (for drive/programs_motion_speed.cpp: RegisterPrograms_motion_speed) that
// adds the file's programs; a file without programs defines it empty.
const ProgramRegistry& BuiltInPrograms();

}  // namespace drive
