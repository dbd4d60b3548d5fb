#include "drive/sim_bench.h"

#include <gtest/gtest.h>

#include <chrono>

#include "kernel/missing_value.h"
#include "kernel/program_run.h"
#include "kernel/setup_file.h"
#include "unittests/support/example_setups.h"

SimBench::SimBench(std::string_view example, std::string_view simulation)
    : SimBench(example, simulation, [](CVX_Setup&) {}) {}

SimBench::SimBench(std::string_view example, std::string_view simulation,
                   const std::function<void(CVX_Setup&)>& prepare) {
  auto loaded = kernel::LoadSetupFile(testsupport::ExamplePath(example));
  if (!loaded.ok()) throw std::runtime_error(loaded.ErrorText());
  setup_ = std::move(loaded.setup);
  prepare(*setup_);
  std::string error;
  drive_ = drive::MakeSimulatedDrive(*setup_, simulation, error);
  if (!drive_) throw std::runtime_error(error);
  active_ = std::make_unique<kernel::ScopedActiveDrive>(drive_.get());
}

SimBench::~SimBench() { active_.reset(); }

CVX_CoffFormat& SimBench::Image(std::string_view program) {
  auto& image = images_[std::string(program)];
  if (!image) {
    image = std::make_unique<CVX_CoffFormat>(kernel::GetOutPathName(program));
    if (!image->ReadCoff()) throw std::runtime_error(image->GetErrorText());
  }
  return *image;
}

std::unique_ptr<CVX_SingleAxisLogger> SimBench::MakeLogger(std::string_view program) {
  return std::make_unique<CVX_SingleAxisLogger>(*setup_, &Image(program));
}

bool SimBench::Run(std::string_view program, const std::vector<std::pair<std::string, double>>& inputs,
                   CVX_SingleAxisLogger* logger, double timeout_s, const std::function<void()>& each_poll) {
  CVX_CoffFormat& coff = Image(program);
  std::string error;
  for (const auto& [name, value] : inputs) {
    if (!kernel::SetUserVariableValue(coff, name, value, error)) {
      ADD_FAILURE() << error;
      return false;
    }
  }
  if (!kernel::ExecuteCode(*setup_, program, coff, logger, nullptr, nullptr)) return false;
  const auto tick = std::chrono::milliseconds(20);
  for (auto waited = std::chrono::milliseconds(0); waited.count() < timeout_s * 1000; waited += tick) {
    clock_.clock().Advance(tick);
    int on = 1;
    if (!kernel::GetAxisOn(on)) return false;
    if (!on) return true;
    if (each_poll) each_poll();
  }
  return false;
}

std::vector<std::vector<double>> SimBench::Upload(CVX_SingleAxisLogger& logger) {
  std::vector<std::vector<double>> points;
  if (logger.BeginOrContinueUploadData() == 0) return points;
  std::vector<double> point;
  while (logger.ReadPoint(point)) points.push_back(point);
  return points;
}

double SimBench::ProgramVariable(std::string_view program, std::string_view name) {
  double value = kMissingValue;
  std::string error;
  kernel::GetUserVariableValue(Image(program), name, value, error);
  return value;
}

double SimBench::Variable(std::string_view name) {
  CVX_Variable* variable = setup_->FindVariable(name, 1);
  if (variable == nullptr || !variable->ReadFromChip()) return kMissingValue;
  return variable->GetValueInInternalUnit();
}

double CurrentScale(const CVX_Setup& setup) {
  return setup.GetIdentity().adcMaxValue / (2.0 * setup.GetParameterValueInBaseUnit("ImaxPS"));
}

double VoltageScale(const CVX_Setup& setup, double vdc) {
  const auto scr = static_cast<long>(setup.GetParameterValueInInternalUnit("SCR"));
  return (scr & 0x1000) ? 65534.0 / (1.1 * vdc) : 32767.0 / vdc;
}

double VoltageScale(const CVX_Setup& setup) { return VoltageScale(setup, setup.GetParameterValueInBaseUnit("Vdc")); }

double FastPeriod_s(const CVX_Setup& setup) {
  return 2.0 * setup.GetParameterValueInInternalUnit("CLPER") * setup.GetParameterValueInInternalUnit("PWMPER") /
         setup.GetParameterValueInBaseUnit("DSP_freq");
}

double SlowPeriod_s(const CVX_Setup& setup) {
  return 2.0 * setup.GetParameterValueInInternalUnit("SLPER") * setup.GetParameterValueInInternalUnit("PWMPER") /
         setup.GetParameterValueInBaseUnit("DSP_freq");
}

double SimBench::CurrentScale() const { return ::CurrentScale(*setup_); }
double SimBench::VoltageScale() const { return ::VoltageScale(*setup_); }
double SimBench::FastPeriod_s() const { return ::FastPeriod_s(*setup_); }

ResistancePoint MeasureResistancePoint(SimBench& bench, std::string_view program, double current_counts) {
  ResistancePoint point;
  if (!bench.Run("Initial_Positioning_Test", {{"In1", current_counts}})) return point;
  const double reference = bench.Variable("REFTST_V");
  auto logger = bench.MakeLogger(program);
  logger->ChangeSettings(400, 1, 1);
  logger->AddVariable("IQ", 0);
  if (!bench.Run(program, {{"In1", current_counts}, {"RefTest", reference}}, logger.get())) return point;
  point.voltage_counts = bench.Variable("var_i1");
  point.supply_counts = bench.Variable("var_u2");
  double sum = 0.0;
  const auto points = bench.Upload(*logger);
  for (const auto& p : points) sum += p.at(1);
  point.current_counts = points.empty() ? 0.0 : sum / static_cast<double>(points.size());
  return point;
}
