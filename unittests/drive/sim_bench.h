#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drive/simulated_drive.h"
#include "kernel/coff_format.h"
#include "kernel/drive_interface.h"
#include "kernel/logger.h"
#include "kernel/setup.h"
#include "timebase/clock.h"

// A simulated drive for an example setup, installed as the active drive on a
// virtual clock, and driven through the kernel's own calls as a test would:
// ExecuteCode, the program variables, CVX_Variable::ReadFromChip, loggers.
class SimBench {
 public:
  // `example`: a file name in examples/; `simulation`: the "simulation"
  // object as JSON text, empty for the setup's nominal world.
  explicit SimBench(std::string_view example, std::string_view simulation = "");
  // The same, with `prepare` applied to the loaded setup before the drive
  // is made from it (the drive takes its nominal supply and timing from it).
  SimBench(std::string_view example, std::string_view simulation, const std::function<void(CVX_Setup&)>& prepare);
  ~SimBench();

  CVX_Setup& setup() { return *setup_; }
  drive::SimulatedDrive& drive() { return *drive_; }

  // Writes the inputs, starts the program (with `logger` when given) and
  // polls every 20 ms of drive time until the axis is off. False when a
  // kernel call failed or the program did not end within `timeout_s`.
  // `each_poll`, when given, runs after every poll while the axis is on, as
  // a test reads live values between its timer ticks.
  bool Run(std::string_view program, const std::vector<std::pair<std::string, double>>& inputs,
           CVX_SingleAxisLogger* logger = nullptr, double timeout_s = 10.0,
           const std::function<void()>& each_poll = nullptr);
  // A logger on `program`'s image.
  std::unique_ptr<CVX_SingleAxisLogger> MakeLogger(std::string_view program);
  // Every point the logger's run recorded, (time, values ...).
  std::vector<std::vector<double>> Upload(CVX_SingleAxisLogger& logger);

  double ProgramVariable(std::string_view program, std::string_view name);
  // A drive variable read with ReadFromChip, in internal units.
  double Variable(std::string_view name);

  double CurrentScale() const;  // counts per ampere
  double VoltageScale() const;  // counts per volt of the setup's "Vdc"
  double FastPeriod_s() const;

 private:
  CVX_CoffFormat& Image(std::string_view program);

  std::unique_ptr<CVX_Setup> setup_;
  std::unique_ptr<drive::SimulatedDrive> drive_;
  timebase::ScopedVirtualClock clock_;
  std::unique_ptr<kernel::ScopedActiveDrive> active_;
  std::map<std::string, std::unique_ptr<CVX_CoffFormat>> images_;
};

// The scales and periods of a setup as the tests compute them: converter
// counts per ampere; voltage counts per volt of a supply (the setup's "Vdc"
// or a measured one); the fast and slow loop periods.
double CurrentScale(const CVX_Setup& setup);
double VoltageScale(const CVX_Setup& setup, double vdc);
double VoltageScale(const CVX_Setup& setup);
double FastPeriod_s(const CVX_Setup& setup);
double SlowPeriod_s(const CVX_Setup& setup);

// A positioning run followed by a resistance run at `current`: the voltage
// ("var_i1") and the mean logged current.
struct ResistancePoint {
  double voltage_counts = 0.0;
  double current_counts = 0.0;
  double supply_counts = 0.0;
};
ResistancePoint MeasureResistancePoint(SimBench& bench, std::string_view program, double current_counts);

// The name of a parameterised case: its example without ".json" and its
// place in the list, so that a failing case names the setup it ran on.
template <class Case>
std::string CaseName(const Case& c, std::size_t index) {
  std::string name(c.example);
  if (const std::size_t dot = name.rfind(".json"); dot != std::string::npos) name.erase(dot);
  return name + "_" + std::to_string(index);
}
