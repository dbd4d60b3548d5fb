#include "host/commission_steps.h"

#include <algorithm>
#include <cmath>

#include "engine/loop_periods.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "host/commission_choices.h"
#include "kernel/parameter.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

namespace host {
namespace {

double Value(CVX_Setup& setup, const char* name) { return engine::Base(setup, name).value_or(NAN); }

double Highest(CVX_Setup& setup, const char* name) {
  const CVX_Parameter* p = kernel::ProbeParameter(setup, name);
  return p && p->HasMaximum() ? p->GetMaximum() : NAN;
}

double MotorPerLoad(CVX_Setup& setup) { return engine::TransmissionRatio(setup).value_or(1.0); }

ChosenInput Input(const char* parameter, const Choice& choice) { return {parameter, choice.value, choice.why}; }

// The test current, its protection, and the drive's limit during the
// tuning runs: from the motor's and drive's ratings, the supply and the
// resistance known by now.
std::vector<ChosenInput> Currents(CVX_Setup& setup) {
  const Choice test = TestCurrentChoice(Value(setup, "In"), Value(setup, "InPS"), Value(setup, "Vdc"), Value(setup, "R"));
  const double allowed = std::min(Highest(setup, "TestProtectionCurrent"), Value(setup, "ImaxM"));
  const Choice protection = ProtectionCurrentChoice(test.value, allowed);
  return {Input("TestCurrent", test), Input("TestProtectionCurrent", protection),
          Input("TestLimitCurrent", TuningCurrentLimitChoice(protection.value))};
}

// The test current alone: the identification and connection tests drive
// the windings with it and nothing more.
std::vector<ChosenInput> TestCurrent(CVX_Setup& setup) { return {Currents(setup).front()}; }

std::vector<ChosenInput> NoInputs(CVX_Setup&) { return {}; }

}  // namespace

std::vector<CommissionStep> CommissionSteps(const PluginLibrary& plugin, CVX_Setup& setup) {
  const bool closed = !engine::IsOpenLoop(setup);
  std::vector<CommissionStep> steps{
      {"Supply voltage detection", FindTestRoute("vdc-detection"), false, &NoInputs},
      // The wiring first, then the winding's R and L that the current
      // loop's design needs, then the sensors, then the current loop: each
      // later step relies on what the earlier ones checked or measured.
      {"Motor phase connections", FindTestRoute("phase-connections"), false, &TestCurrent},
      {"Resistance and inductance", FindTestRoute("resistance-inductance"), false, &TestCurrent},
      {"Motor encoder connections", FindTestRoute("encoder-connections"), false, &NoInputs},
      {"Serial motor encoder connections", FindTestRoute("serial-connections"), false, &NoInputs},
      {"Serial encoder offset", FindTestRoute("serial-offset"), false, &TestCurrent},
      {"Load encoder connections", FindTestRoute("load-encoder-connections"), false, &NoInputs},
      {"Serial load encoder connections", FindTestRoute("load-serial-connections"), false, &NoInputs},
      {"Current controller tuning", FindTestRoute("current-tuning"), true, &Currents},
      {"Total inertia", FindTestRoute("total-inertia"), false,
       [](CVX_Setup& s) {
         std::vector<ChosenInput> inputs = Currents(s);
         const double current = inputs.front().value;
         inputs.push_back(Input("TestMaxSpeed", InertiaTestSpeedChoice(current, Value(s, "K"), Value(s, "Jt"),
                                                                      Value(s, "Vdc"), Highest(s, "TestMaxSpeed"))));
         return inputs;
       }},
      {"Speed controller tuning", FindTestRoute("speed-tuning"), true,
       [](CVX_Setup& s) {
         std::vector<ChosenInput> inputs = Currents(s);
         inputs.push_back(Input("PB_S", SpeedBandwidthChoice(Value(s, "PB_C"), engine::SlowLoopPeriod(s).value_or(NAN))));
         const double limit = inputs[2].value;
         const Choice speed = TestSpeedChoice(Value(s, "TestSpeed"), MotorPerLoad(s), Value(s, "K"), Value(s, "Vdc"));
         inputs.push_back(Input("TestSpeed", speed));
         for (const char* ramp : {"TaPS", "TaNS"})
           inputs.push_back(
               Input(ramp, RampTimeChoice(Value(s, ramp), speed.value, Value(s, "Jt"), Value(s, "K"), limit)));
         return inputs;
       }},
      {"Position controller tuning", FindTestRoute("position-tuning"), true,
       [closed](CVX_Setup& s) {
         std::vector<ChosenInput> inputs = Currents(s);
         if (closed) inputs.push_back(Input("PB_P", PositionBandwidthChoice(Value(s, "PB_S"))));
         for (const char* ramp : {"TaPP", "TaNP"})
           inputs.push_back(Input(ramp, PositionRampTimeChoice(Value(s, ramp), Value(s, "TestPosition"), MotorPerLoad(s),
                                                               Value(s, "K"), Value(s, "Vdc"))));
         return inputs;
       }},
      {"Electric angle controller tuning", FindTestRoute("angle-tuning"), false,
       [](CVX_Setup&) { return std::vector<ChosenInput>{}; }},
  };
  std::erase_if(steps, [&](const CommissionStep& step) { return !step.route || !RouteOpen(plugin, setup, *step.route); });
  return steps;
}

}  // namespace host
