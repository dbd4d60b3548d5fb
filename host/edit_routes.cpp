#include "host/edit_routes.h"

#include <array>

#include "dialogs/drive_setup_controls.h"

namespace host {
namespace {

using platform::ScriptStep;
using platform::StepKind;

// The "Motor setup" button; the host gets there before the motor dialog
// opens by itself, and the dialog then opens no second one.
std::vector<ScriptStep> ToMotorSetup() {
  return {
      {.kind = StepKind::kExpectDialog, .text = "Drive Setup"},
      {.kind = StepKind::kClick, .id = drivesetup::kMotorSetupButton},
      {.kind = StepKind::kExpectDialog, .text = "Step Motor and Load Setup"},
  };
}

// "Yes" under External reference, which enables "Setup", then "Setup".
std::vector<ScriptStep> ToReferenceSetup() {
  return {
      {.kind = StepKind::kExpectDialog, .text = "Drive Setup"},
      {.kind = StepKind::kCheck, .id = drivesetup::kExternalReferenceRadio, .value = true},
      {.kind = StepKind::kClick, .id = drivesetup::kReferenceSetupButton},
      {.kind = StepKind::kExpectDialog, .text = "External Reference Setup"},
  };
}

const std::array<EditRoute, 4> kRoutes{{
    {"drive-setup", "Drive Setup", "", nullptr},
    {"motor", "Step Motor and Load Setup", "", &ToMotorSetup},
    {"reference", "External Reference Setup", "", &ToReferenceSetup},
    // The speed and position tuning tests lead there; the host asks for it.
    {"filters", "Filters", "filters", nullptr},
}};

}  // namespace

std::vector<std::string> EditDialogNames() {
  std::vector<std::string> names;
  for (const EditRoute& route : kRoutes) names.emplace_back(route.name);
  return names;
}

const EditRoute* FindEditRoute(std::string_view name) {
  for (const EditRoute& route : kRoutes)
    if (route.name == name) return &route;
  return nullptr;
}

}  // namespace host
