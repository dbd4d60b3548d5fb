#include "drive/simulated_drive.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "kernel/coff_format.h"
#include "kernel/name_key.h"
#include "kernel/probe.h"
#include "kernel/program_run.h"
#include "kernel/setup.h"
#include "timebase/clock.h"

namespace drive {
namespace {

constexpr double kSqrt3 = std::numbers::sqrt3;
// "MER" bits that stop a running program: the drive's protections.
constexpr std::uint16_t kProtectionBits = mer::kShortCircuit | mer::kControlError | mer::kFeedbackError |
                                          mer::kPositiveLimit | mer::kNegativeLimit | mer::kEnableInputOff;
constexpr std::string_view kMer = "MER";
constexpr std::string_view kTestFlag = "test_flag";
// Bit 12 of "SCR": voltage references span ±0.55·Vdc instead of ±Vdc.
constexpr std::int64_t kScrExtendedVoltage = 0x1000;
// Scope points sent per data frame.
constexpr int kPointsPerFrame = 16;

// A setup constant that must be positive (a period or a scale divides by it).
double SetupConstant(const CVX_Setup& setup, std::string_view name, double fallback) {
  const double value = SetupValueOr(setup, name, fallback);
  return value > 0.0 ? value : fallback;
}

kernel::DriveError Unknown(std::string_view what, std::string_view name) {
  return kernel::DriveError{fmt::format("The drive has no {} \"{}\".", what, name)};
}

}  // namespace

SimulatedDrive::SimulatedDrive(const CVX_Setup& setup, SimulationConfig config)
    : config_(std::move(config)),
      adc_max_counts_(config_.current_sensor.adc_max_counts),
      vdc_max_measurable_V_(SetupConstant(setup, "VdcMaxMeasurable", 100.0)),
      nominal_vdc_V_(SetupConstant(setup, "Vdc", config_.supply_V)),
      dsp_clock_Hz_(SetupConstant(setup, "DSP_freq", 60e6)),
      motor_(config_.motor),
      bridge_(config_.motor.winding, config_.supply_V),
      sensor_(config_.current_sensor) {
  for (const CVX_Variable* variable : setup.GetVariables()) variables_.Set(variable->GetName(), 0.0);
  variables_.Set(kMer, 0.0);
  // The setup's timing until its registers arrive.
  for (const auto name : {"PWMPER", "CLPER", "SLPER"}) {
    if (kernel::HasParameter(setup, name)) registers_.Set(name, setup.GetParameterValueInInternalUnit(name));
  }
  ApplyTimingRegisters();
  motor_.mutable_state().angle_rad = config_.initial_angle_rad;
  start_load_angle_rad_ = motor_.load_angle_rad();
  if (config_.faults.enable_input_off) mer_ |= mer::kEnableInputOff;
  variables_.Set(kMer, mer_);
}

// ----- time -----------------------------------------------------------------

void SimulatedDrive::ApplyTimingRegisters() {
  const double pwmper = std::max(1.0, registers_.Get("PWMPER", 1500));
  const double clper = std::max(1.0, registers_.Get("CLPER", 2));
  const double slper = std::max(clper, registers_.Get("SLPER", 8 * clper));
  const double period_s = 2.0 * clper * pwmper / dsp_clock_Hz_;
  // Keep the drive time where it is when the period changes.
  const double now_s = drive_time_s();
  fast_period_s_ = period_s;
  steps_ = static_cast<std::int64_t>(std::llround(now_s / period_s));
  slow_divider_ = std::max<std::int64_t>(1, std::llround(slper / clper));
}

void SimulatedDrive::CatchUp() {
  const double now_s = std::chrono::duration<double>(timebase::CurrentClock().Now()).count();
  AdvanceTo(now_s);
}

void SimulatedDrive::AdvanceTo(double time_s) {
  const auto target = static_cast<std::int64_t>(std::floor(time_s / fast_period_s_ + 1e-9));
  while (steps_ < target) {
    if (program_ == nullptr) {
      // Nothing runs: the axis is off, so only a due error event matters.
      std::int64_t next = target;
      if (next_mer_event_ < config_.faults.mer.size()) {
        const auto due = static_cast<std::int64_t>(std::ceil(config_.faults.mer[next_mer_event_].time_s / fast_period_s_));
        next = std::clamp(due, steps_ + 1, target);
      }
      steps_ = next;
      while (next_mer_event_ < config_.faults.mer.size() &&
             config_.faults.mer[next_mer_event_].time_s <= drive_time_s()) {
        RaiseErrors(config_.faults.mer[next_mer_event_++].bits);
      }
      continue;
    }
    StepOnce();
  }
}

void SimulatedDrive::StepOnce() {
  ++steps_;
  while (next_mer_event_ < config_.faults.mer.size() && config_.faults.mer[next_mer_event_].time_s <= drive_time_s()) {
    RaiseErrors(config_.faults.mer[next_mer_event_++].bits);
  }
  if (program_ == nullptr) return;

  const PhaseValues line_A = motor_.LineCurrent_A();
  const double ia = sensor_.Measure_counts(line_A[0]);
  const double ib = sensor_.Measure_counts(line_A[1]);
  if (config_.motor.winding == Winding::TwoPhase) {
    measured_ = {ia, ib};
  } else {
    measured_ = {ia, (ia + 2.0 * ib) / kSqrt3};
  }
  // Over-current: a phase current at the converter's end is a short circuit.
  const double trip_A = config_.current_sensor.full_scale_A * 0.98;
  for (int k = 0; k < WindingCount(config_.motor.winding); ++k) {
    if (std::abs(line_A[k]) > trip_A) RaiseErrors(mer::kShortCircuit);
  }
  CheckLimitSwitches();
  if (program_ == nullptr) return;

  if (program_step_ == 0) {
    program_variables().Set(kernel::kStartedVariable, 1.0);
  }
  const ProgramState state = program_->Step(*this);
  if (program_ == nullptr) return;  // a protection stopped it
  if (current_mode_) voltage_reference_ = controller_.Step(current_reference_, measured_);
  StepPlant();
  if (IsSlowLoopStep()) TrackRotor();
  SampleLogging(IsSlowLoopStep());
  ++program_step_;
  if (state == ProgramState::kEnded) StopProgram();
}

double SimulatedDrive::VoltsPerCount() const {
  const bool extended = (std::llround(registers_.Get("SCR")) & kScrExtendedVoltage) != 0;
  return extended ? 1.1 * config_.supply_V / 65534.0 : config_.supply_V / kFullScale;
}

void SimulatedDrive::TrackRotor() {
  const double now_s = drive_time_s();
  rotor_track_.emplace_back(now_s, motor_.state().angle_rad);
  while (rotor_track_.front().first < now_s - kSmoothWatch_s) rotor_track_.pop_front();
}

bool SimulatedDrive::MotorRunsSmoothly() const {
  const double microsteps = registers_.Get("STEPRES", 51200.0);
  const double field_rad_s = variables_.Get("CSPD") / slow_period_s() * 2.0 * std::numbers::pi / microsteps;
  const auto follows = [&](double rotor_rad_s) {
    return std::abs(rotor_rad_s - field_rad_s) <= 0.25 * std::abs(field_rad_s) &&
           std::abs(rotor_rad_s) <= config_.person.smooth_speed_limit_rad_s;
  };
  if (rotor_track_.size() < 2) return false;
  const auto& [first_s, first_rad] = rotor_track_.front();
  const auto& [last_s, last_rad] = rotor_track_.back();
  const double mean_rad_s = (last_rad - first_rad) / (last_s - first_s);
  return follows(motor_.state().speed_rad_s) && follows(mean_rad_s);
}

double SimulatedDrive::voltage_counts_per_V() const {
  const bool extended = (std::llround(registers_.Get("SCR")) & kScrExtendedVoltage) != 0;
  return extended ? 65534.0 / (1.1 * nominal_vdc_V_) : kFullScale / nominal_vdc_V_;
}

void SimulatedDrive::StepPlant() {
  const double volts = VoltsPerCount();
  const double alpha_V = voltage_reference_.alpha * volts;
  const double beta_V = voltage_reference_.beta * volts;
  PhaseValues request{};
  if (config_.motor.winding == Winding::TwoPhase) {
    request = {alpha_V, beta_V, 0.0};
  } else {
    request = {alpha_V, -alpha_V / 2 + kSqrt3 / 2 * beta_V, -alpha_V / 2 - kSqrt3 / 2 * beta_V};
  }
  motor_.Step(fast_period_s_, bridge_.Apply(request).voltage_V);
}

// ----- ProgramContext ---------------------------------------------------------

NamedValues& SimulatedDrive::program_variables() { return programs_[program_key_].values; }

std::int32_t SimulatedDrive::MeasureSupply_counts() {
  // The same converter as the currents: a 12-bit result left in its counts.
  const double step = sensor_.step_counts();
  const double counts = std::round(config_.supply_V * adc_max_counts_ / vdc_max_measurable_V_ / step) * step;
  return static_cast<std::int32_t>(std::clamp(counts, 0.0, adc_max_counts_));
}

void SimulatedDrive::CommandCurrent(const StatorVector& reference_counts) {
  if (!current_mode_) controller_.Reset();
  current_mode_ = true;
  current_reference_ = reference_counts;
}

void SimulatedDrive::CommandVoltage(const StatorVector& reference_counts) {
  current_mode_ = false;
  const double limit = LimitOfSaturation(std::llround(registers_.Get("SATPWM", 0.0)));
  voltage_reference_ = {std::clamp(std::round(reference_counts.alpha), -limit, limit),
                        std::clamp(std::round(reference_counts.beta), -limit, limit)};
}

void SimulatedDrive::StartLogging() {
  if (logging_.started || logging_.request.kind == kernel::LoggingRequest::Kind::kNone) return;
  logging_.started = true;
  logging_.start_step = program_step_;
}

void SimulatedDrive::CheckLimitSwitches() {
  const LimitSwitchesConfig& switches = config_.limit_switches;
  const double travel_rad = motor_.load_angle_rad() - start_load_angle_rad_;
  if (switches.positive_rad && travel_rad >= *switches.positive_rad) RaiseErrors(mer::kPositiveLimit);
  if (switches.negative_rad && travel_rad <= *switches.negative_rad) RaiseErrors(mer::kNegativeLimit);
}

void SimulatedDrive::RaiseErrors(std::uint16_t mer_bits) {
  mer_ |= mer_bits;
  variables_.Set(kMer, mer_);
  if ((mer_bits & StoppingBits()) != 0 && program_ != nullptr) {
    // A run the protection cut short says so in its flag as well: the
    // tuning tests check "MER" with masks that leave the feedback or limit
    // bits out, and the angle test counts a flag of 0 as success.
    ProgramData& data = programs_[program_key_];
    if (data.declared.contains(kernel::NameKey(kTestFlag))) data.values.Set(kTestFlag, -1.0);
    StopProgram();
  }
}

// ----- logging ----------------------------------------------------------------

std::vector<double> SimulatedDrive::LoggedValues() const {
  std::vector<double> values;
  values.reserve(logging_.request.variables.size());
  for (const auto& variable : logging_.request.variables) values.push_back(variables_.Get(variable.name));
  return values;
}

void SimulatedDrive::SampleLogging(bool slow_step) {
  if (!logging_.started) return;
  const auto& request = logging_.request;
  if (request.logType == kernel::LoggingRequest::kSlowLoop && !slow_step) return;
  const bool buffer = request.kind == kernel::LoggingRequest::Kind::kBuffer;
  if (buffer && static_cast<int>(logging_.points.size()) >= request.points) return;
  if (logging_.samples++ % std::max(1, request.divider) != 0) return;
  const double time_s = static_cast<double>(program_step_ - logging_.start_step) * fast_period_s_;
  logging_.points.push_back({time_s, LoggedValues()});
  if (!buffer && logging_.points.size() >= kPointsPerFrame) {
    kernel::UnsolicitedFrame frame;
    frame.code = kernel::kScopeDataFrame;
    frame.firstPoint = logging_.streamed;
    frame.valuesPerPoint = static_cast<int>(request.variables.size()) + 1;
    for (const auto& point : logging_.points) {
      frame.values.push_back(point.time_s);
      frame.values.insert(frame.values.end(), point.values.begin(), point.values.end());
    }
    // A scope keeps nothing once sent.
    logging_.streamed += static_cast<std::uint32_t>(logging_.points.size());
    logging_.points.clear();
    frames_.push_back(std::move(frame));
  }
}

// ----- programs -----------------------------------------------------------------

void SimulatedDrive::StopProgram() {
  if (program_) stopped_program_ = std::move(program_);
  axis_on_ = false;
  current_mode_ = false;
  voltage_reference_ = {};
  // The bridge is off: the windings are open and their current dies at once.
  motor_.mutable_state().winding_current_A = {};
  if (logging_.request.kind == kernel::LoggingRequest::Kind::kScope && logging_.started) {
    frames_.push_back({kernel::kScopeStoppedFrame, 0, 0, {}});
  }
}

std::uint16_t SimulatedDrive::StoppingBits() const {
  if (program_ != nullptr && !program_->PowersTheStage()) return kProtectionBits & ~mer::kEnableInputOff;
  return kProtectionBits;
}

SimulatedDrive::ProgramData* SimulatedDrive::FindProgramData(std::string_view program) {
  const std::string key = kernel::NameKey(program);
  if (const auto it = programs_.find(key); it != programs_.end()) return &it->second;
  if (!BuiltInPrograms().Has(program)) return nullptr;
  // A program not started yet: its image tells which variables it has.
  CVX_CoffFormat coff(kernel::GetOutPathName(program));
  if (!coff.ReadCoff()) return nullptr;
  return &LoadProgramData(program, coff.GetImage().variables);
}

SimulatedDrive::ProgramData& SimulatedDrive::LoadProgramData(std::string_view program,
                                                            std::span<const kernel::ProgramVariable> declared) {
  ProgramData& data = programs_[kernel::NameKey(program)];
  for (const auto& variable : declared) data.declared[kernel::NameKey(variable.name)] = variable.type;
  data.declared[kernel::NameKey(kernel::kStartedVariable)] = kernel::ValueType::kInt16;
  return data;
}

kernel::DriveResult<> SimulatedDrive::StartProgram(const kernel::ProgramStart& start) {
  if (auto link = CheckLink(true); !link.ok()) return link;
  CatchUp();
  auto program = BuiltInPrograms().Create(start.name);
  if (program == nullptr) return Unknown("program", start.name);
  for (const auto& input : start.inputs) {
    if (std::none_of(start.variables.begin(), start.variables.end(),
                     [&](const kernel::ProgramVariable& v) { return kernel::SameName(v.name, input.name); })) {
      return Unknown(fmt::format("variable in program \"{}\" called", start.name), input.name);
    }
  }
  for (const auto& name : program->PublishedVariables()) {
    if (!variables_.Has(name)) variables_.Set(name, 0.0);
  }
  const auto& request = start.logging;
  if (request.kind != kernel::LoggingRequest::Kind::kNone) {
    for (const auto& variable : request.variables) {
      if (!variables_.Has(variable.name)) return Unknown("variable to log", variable.name);
    }
    const auto values = static_cast<long long>(request.points) * static_cast<long long>(request.variables.size());
    if (request.kind == kernel::LoggingRequest::Kind::kBuffer && values > kLoggerCapacity) {
      return kernel::DriveError{
          fmt::format("The drive cannot log {} values; its buffer holds {}.", values, kLoggerCapacity)};
    }
  }

  StopProgram();
  ProgramData& data = LoadProgramData(start.name, start.variables);
  // Inputs written before the start stay; every output starts from 0.
  for (const auto& variable : start.variables) {
    if (variable.role == kernel::ProgramVariableRole::kOutput) data.values.Set(variable.name, 0.0);
  }
  data.values.Set(kernel::kStartedVariable, 0.0);
  for (const auto& input : start.inputs) data.values.Set(input.name, input.value);

  program_key_ = kernel::NameKey(start.name);
  program_ = std::move(program);
  program_step_ = 0;
  axis_on_ = true;
  current_mode_ = false;
  voltage_reference_ = {};
  controller_.Configure(registers_);
  controller_.Reset();
  frames_.clear();
  logging_ = Logging{};
  logging_.request = request;
  // A drive whose ENABLE input is off never powers the stage: the program
  // does not start, and the test sees the ENABLE bit while it waits.
  const std::uint16_t latched = mer_ & StoppingBits();
  if ((latched & mer::kEnableInputOff) != 0) {
    StopProgram();
  } else if (latched != 0) {
    // An error still latched from an earlier run (a control error, a limit
    // switch) keeps the stage off as well. The program starts and ends at
    // once with a failed flag, so that a test whose mask leaves that bit out
    // fails instead of waiting for a start that never comes.
    data.values.Set(kernel::kStartedVariable, 1.0);
    if (data.declared.contains(kernel::NameKey(kTestFlag))) data.values.Set(kTestFlag, -1.0);
    StopProgram();
  }
  return kernel::Done{};
}

// ----- the link -------------------------------------------------------------------

kernel::DriveResult<> SimulatedDrive::CheckLink(bool write) {
  const LinkFault& fault = write ? config_.faults.write : config_.faults.read;
  const int call = write ? ++writes_ : ++reads_;
  if (fault.from_call > 0 && call >= fault.from_call) return kernel::DriveError{fault.text};
  return kernel::Done{};
}

kernel::DriveResult<> SimulatedDrive::DownloadRegisters(std::span<const kernel::RegisterValue> registers) {
  if (auto link = CheckLink(true); !link.ok()) return link;
  CatchUp();
  for (const auto& reg : registers) registers_.Set(reg.name, static_cast<double>(reg.value));
  ApplyTimingRegisters();
  return kernel::Done{};
}

kernel::DriveResult<> SimulatedDrive::WriteRegister(const kernel::RegisterValue& reg) {
  if (auto link = CheckLink(true); !link.ok()) return link;
  CatchUp();
  if (!registers_.Has(reg.name)) return Unknown("register", reg.name);
  registers_.Set(reg.name, static_cast<double>(reg.value));
  ApplyTimingRegisters();
  // A gain edited during a run takes effect at the next sample; the
  // integral state stays.
  controller_.Configure(registers_);
  return kernel::Done{};
}

kernel::DriveResult<double> SimulatedDrive::ReadProgramVariable(const kernel::ProgramVariableRef& variable) {
  if (auto link = CheckLink(false); !link.ok()) return kernel::DriveError{link.error()};
  CatchUp();
  ProgramData* data = FindProgramData(variable.program);
  if (data == nullptr) return Unknown("program", variable.program);
  if (!data->declared.contains(kernel::NameKey(variable.name))) return Unknown("program variable", variable.name);
  return data->values.Get(variable.name);
}

kernel::DriveResult<> SimulatedDrive::WriteProgramVariable(const kernel::ProgramVariableRef& variable, double value) {
  if (auto link = CheckLink(true); !link.ok()) return link;
  CatchUp();
  ProgramData* data = FindProgramData(variable.program);
  if (data == nullptr) return Unknown("program", variable.program);
  if (!data->declared.contains(kernel::NameKey(variable.name))) return Unknown("program variable", variable.name);
  data->values.Set(variable.name, value);
  return kernel::Done{};
}

kernel::DriveResult<double> SimulatedDrive::ReadVariable(const kernel::DriveVariableRef& variable) {
  if (auto link = CheckLink(false); !link.ok()) return kernel::DriveError{link.error()};
  CatchUp();
  const auto value = variables_.Find(variable.name);
  if (!value) return Unknown("variable", variable.name);
  return *value;
}

kernel::DriveResult<> SimulatedDrive::WriteVariable(const kernel::DriveVariableRef& variable, double value) {
  if (auto link = CheckLink(true); !link.ok()) return link;
  CatchUp();
  if (!variables_.Has(variable.name)) return Unknown("variable", variable.name);
  if (kernel::SameName(variable.name, kMer)) {
    // Writing "MER" acknowledges errors; a cause still present stays.
    mer_ = static_cast<std::uint16_t>(std::llround(value)) |
           (config_.faults.enable_input_off ? mer::kEnableInputOff : 0);
    variables_.Set(kMer, mer_);
    return kernel::Done{};
  }
  variables_.Set(variable.name, value);
  return kernel::Done{};
}

kernel::DriveResult<bool> SimulatedDrive::ReadAxisOn() {
  if (auto link = CheckLink(false); !link.ok()) return kernel::DriveError{link.error()};
  CatchUp();
  return axis_on_;
}

kernel::DriveResult<> SimulatedDrive::ExecuteCommand(std::string_view text) {
  if (auto link = CheckLink(true); !link.ok()) return link;
  CatchUp();
  if (program_ != nullptr && program_->OnCommand(*this, text)) return kernel::Done{};
  return kernel::DriveError{fmt::format("The drive rejected the command \"{}\".", text)};
}

kernel::DriveResult<int> SimulatedDrive::LoggerCapacity() {
  if (auto link = CheckLink(false); !link.ok()) return kernel::DriveError{link.error()};
  return kLoggerCapacity;
}

kernel::DriveResult<kernel::LoggerStatus> SimulatedDrive::ReadLoggerStatus() {
  if (auto link = CheckLink(false); !link.ok()) return kernel::DriveError{link.error()};
  CatchUp();
  kernel::LoggerStatus status;
  if (logging_.request.kind != kernel::LoggingRequest::Kind::kBuffer) return status;
  status.pointsRequested = logging_.request.points;
  status.pointsRecorded = static_cast<int>(logging_.points.size());
  status.recording = program_ != nullptr && status.pointsRecorded < status.pointsRequested;
  return status;
}

kernel::DriveResult<std::vector<kernel::LoggedPoint>> SimulatedDrive::UploadLoggedPoints(int first, int count) {
  if (auto link = CheckLink(false); !link.ok()) return kernel::DriveError{link.error()};
  CatchUp();
  const auto recorded = static_cast<int>(logging_.request.kind == kernel::LoggingRequest::Kind::kBuffer
                                             ? logging_.points.size()
                                             : 0);
  if (first < 0 || count < 0 || first + count > recorded) {
    return kernel::DriveError{
        fmt::format("The drive holds {} logged points; points {} to {} do not exist.", recorded, first, first + count)};
  }
  return std::vector<kernel::LoggedPoint>(logging_.points.begin() + first, logging_.points.begin() + first + count);
}

std::vector<kernel::UnsolicitedFrame> SimulatedDrive::TakeUnsolicitedFrames() {
  CatchUp();
  return std::exchange(frames_, {});
}

kernel::DriveResult<> SimulatedDrive::Reset() {
  if (auto link = CheckLink(true); !link.ok()) return link;
  CatchUp();
  StopProgram();
  logging_ = Logging{};
  frames_.clear();
  // A reset clears the latched errors; an ENABLE input still off stays.
  mer_ = config_.faults.enable_input_off ? mer::kEnableInputOff : 0;
  variables_.Set(kMer, mer_);
  return kernel::Done{};
}

std::unique_ptr<SimulatedDrive> MakeSimulatedDrive(const CVX_Setup& setup, std::string_view simulation_json,
                                                   std::string& error) {
  auto parsed = ParseSimulation(setup, simulation_json.empty() ? setup.GetSimulationDocument() : simulation_json);
  if (!parsed.config) {
    error = parsed.error;
    return nullptr;
  }
  return std::make_unique<SimulatedDrive>(setup, *parsed.config);
}

}  // namespace drive
