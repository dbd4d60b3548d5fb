#include "plugin/init_param.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/step_units.h"
#include "kernel/name_key.h"

namespace plugin {
namespace {

// The parameters the step units are derived from.
constexpr std::array<std::string_view, 5> kTransmissionParameters = {
    "NoMotorSteps", "NoMicroStepsPerStep", "StepperControlType", "Motor_transmission", "Load_transmission",
};
constexpr std::int32_t kCallsPerUpdate = 5;

// Process-wide on purpose: the host initialises the parameters of a setup one
// by one and the count spans those calls. Only the UI thread calls in.
std::int32_t g_initParamCount = 0;

bool IsTransmissionParameter(std::string_view name) {
  for (std::string_view known : kTransmissionParameters)
    if (kernel::SameName(name, known)) return true;
  return false;
}

}  // namespace

int CountInitParam(CVX_Setup* setup, const char* name) {
  if (name && IsTransmissionParameter(name)) ++g_initParamCount;
  if (g_initParamCount < kCallsPerUpdate) return 1;
  g_initParamCount = 0;
  if (!setup) return 0;
  return engine::UpdateStepUnits(*setup) ? 1 : 0;
}

}  // namespace plugin
