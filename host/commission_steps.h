#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/test_routes.h"

class CVX_Setup;

// The steps of a commissioning, in the order the setup dialogs' guidelines
// give, each with the inputs it chooses before its test runs.
namespace host {

// One input chosen for a test: the parameter, its value in base units and
// why ("half the rated current 3 A").
struct ChosenInput {
  std::string parameter;
  double value;
  std::string why;
};

struct CommissionStep {
  std::string title;
  const TestRoute* route;
  bool tune = false;
  // What this step chooses from the setup as the earlier steps left it.
  std::function<std::vector<ChosenInput>(CVX_Setup&)> choose;
};

class PluginLibrary;

// The steps, in order, whose tests a person can reach in the Drive Setup
// dialog of `setup`.
std::vector<CommissionStep> CommissionSteps(const PluginLibrary& plugin, CVX_Setup& setup);

}  // namespace host
