#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drive/current_controller.h"
#include "drive/current_sensor.h"
#include "drive/drive_program.h"
#include "drive/motor_model.h"
#include "drive/pwm_bridge.h"
#include "drive/simulation_config.h"
#include "kernel/drive_interface.h"

class CVX_Setup;

namespace drive {

// A drive made of the simulated plant and the test programs, answering the
// kernel as a drive on a link would. It runs in drive time: every call first
// brings it up to timebase::CurrentClock().Now(), stepping the running
// program and the plant once per fast-loop period; with no program running
// the axis is off and time passes without stepping. The same setup,
// configuration and calls at the same clock times give the same answers.
class SimulatedDrive final : public kernel::IDrive, private ProgramContext {
 public:
  // The world is the setup's nominal one with `config` over it; the drive
  // variables are the ones the setup declares, all 0.
  SimulatedDrive(const CVX_Setup& setup, SimulationConfig config);

  // kernel::IDrive
  kernel::DriveResult<> DownloadRegisters(std::span<const kernel::RegisterValue> registers) override;
  kernel::DriveResult<> WriteRegister(const kernel::RegisterValue& reg) override;
  kernel::DriveResult<> StartProgram(const kernel::ProgramStart& start) override;
  kernel::DriveResult<double> ReadProgramVariable(const kernel::ProgramVariableRef& variable) override;
  kernel::DriveResult<> WriteProgramVariable(const kernel::ProgramVariableRef& variable, double value) override;
  kernel::DriveResult<double> ReadVariable(const kernel::DriveVariableRef& variable) override;
  kernel::DriveResult<> WriteVariable(const kernel::DriveVariableRef& variable, double value) override;
  kernel::DriveResult<bool> ReadAxisOn() override;
  kernel::DriveResult<> ExecuteCommand(std::string_view text) override;
  kernel::DriveResult<int> LoggerCapacity() override;
  kernel::DriveResult<kernel::LoggerStatus> ReadLoggerStatus() override;
  kernel::DriveResult<std::vector<kernel::LoggedPoint>> UploadLoggedPoints(int first, int count) override;
  std::vector<kernel::UnsolicitedFrame> TakeUnsolicitedFrames() override;
  kernel::DriveResult<> Reset() override;

  // Runs until the drive time reaches `time_s` (seconds since construction)
  // without the clock: the benchmark and run-program use it.
  void AdvanceTo(double time_s);
  double drive_time_s() const { return static_cast<double>(steps_) * fast_period_s_; }
  // The calls on the link since the drive was made, as the link faults'
  // `from_call` counts them.
  int reads() const { return reads_; }
  int writes() const { return writes_; }
  bool running() const { return program_ != nullptr; }
  const SimulationConfig& config() const { return config_; }
  const MotorModel& plant() const { return motor_; }
  // What a person watching the shaft sees while the voltage-mode test runs:
  // the rotor turns with the field the program commands ("CSPD" microsteps
  // per slow sample), within a quarter of its speed, and no faster than the
  // person's smooth-running limit. A stalled rotor humming in a turning
  // field does not run smoothly, though a swing of it may match the field's
  // speed for a moment: the person watches the rotor's mean speed over the
  // last kSmoothWatch_s as well as its speed now.
  bool MotorRunsSmoothly() const;

  static constexpr int kLoggerCapacity = 16384;
  static constexpr double kSmoothWatch_s = 0.2;

 private:
  // ProgramContext
  double fast_period_s() const override { return fast_period_s_; }
  double slow_period_s() const override { return fast_period_s_ * slow_divider_; }
  std::int64_t step_index() const override { return program_step_; }
  bool IsSlowLoopStep() const override { return program_step_ % slow_divider_ == 0; }
  const NamedValues& registers() const override { return registers_; }
  NamedValues& variables() override { return variables_; }
  NamedValues& program_variables() override;
  const SimulationConfig& simulation() const override { return config_; }
  MotorModel& motor() override { return motor_; }
  StatorVector measured_current_counts() const override { return measured_; }
  std::int32_t MeasureSupply_counts() override;
  double current_counts_per_A() const override { return sensor_.counts_per_A(); }
  double voltage_counts_per_V() const override;
  void CommandCurrent(const StatorVector& reference_counts) override;
  void CommandVoltage(const StatorVector& reference_counts) override;
  StatorVector voltage_reference_counts() const override { return voltage_reference_; }
  void StartLogging() override;
  void RaiseErrors(std::uint16_t mer_bits) override;
  std::uint16_t errors() const override { return mer_; }

  struct Logging {
    kernel::LoggingRequest request;
    bool started = false;
    std::int64_t samples = 0;     // of the requested loop since logging started
    std::int64_t start_step = 0;  // program step at which logging started
    std::vector<kernel::LoggedPoint> points;
    std::uint32_t streamed = 0;   // scope: points already sent
  };

  // The declared variables of a program: by NameKey.
  struct ProgramData {
    std::map<std::string, kernel::ValueType> declared;
    NamedValues values;
  };

  kernel::DriveResult<> CheckLink(bool write);
  void CatchUp();
  void StepOnce();
  void StepPlant();
  // Trips the limit switches the axis has travelled onto.
  void CheckLimitSwitches();
  void SampleLogging(bool slow_step);
  void StopProgram();
  // The "MER" bits that stop the running program, or keep it from starting.
  std::uint16_t StoppingBits() const;
  void ApplyTimingRegisters();
  ProgramData* FindProgramData(std::string_view program);
  ProgramData& LoadProgramData(std::string_view program, std::span<const kernel::ProgramVariable> declared);
  double VoltsPerCount() const;
  void TrackRotor();
  std::vector<double> LoggedValues() const;

  SimulationConfig config_;
  double adc_max_counts_;
  double vdc_max_measurable_V_;
  double nominal_vdc_V_;
  double dsp_clock_Hz_;

  NamedValues registers_;
  NamedValues variables_;
  std::map<std::string, ProgramData> programs_;  // by NameKey

  MotorModel motor_;
  double start_load_angle_rad_ = 0.0;  // the load shaft at power-up, where travel counts from
  PwmBridge bridge_;
  CurrentSensor sensor_;
  CurrentController controller_;

  double fast_period_s_ = 1e-4;
  std::int64_t slow_divider_ = 8;
  std::int64_t steps_ = 0;  // fast periods since construction
  // The rotor's angle at each slow sample of the last kSmoothWatch_s: (time, angle).
  std::deque<std::pair<double, double>> rotor_track_;
  std::size_t next_mer_event_ = 0;

  std::unique_ptr<Program> program_;
  // The program stopped last, kept alive: a protection may stop a program
  // from inside its own Step().
  std::unique_ptr<Program> stopped_program_;
  std::string program_key_;
  std::int64_t program_step_ = 0;
  bool axis_on_ = false;
  bool current_mode_ = false;
  StatorVector current_reference_;
  StatorVector voltage_reference_;
  StatorVector measured_;
  std::uint16_t mer_ = 0;
  Logging logging_;
  std::vector<kernel::UnsolicitedFrame> frames_;

  int reads_ = 0;
  int writes_ = 0;
};

// A drive for `setup`, its world the setup's "simulation" object, or
// `simulation_json` when not empty. Null with `error` naming the JSON path
// when the object is wrong.
std::unique_ptr<SimulatedDrive> MakeSimulatedDrive(const CVX_Setup& setup, std::string_view simulation_json,
                                                   std::string& error);

}  // namespace drive
