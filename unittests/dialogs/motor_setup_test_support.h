#pragma once

#include <string_view>

#include "dialogs/motor_setup_controls.h"
#include "dialogs/motor_setup_dlg.h"
#include "unittests/dialogs/dialog_test_support.h"

// Runs the Step Motor and Load Setup dialog on the fixture's setup with a
// scripted person.
namespace dialogtest {

class MotorSetupTest : public DialogTest {
 protected:
  // Loads an example as the Drive Setup dialog hands it to the motor
  // dialog: after the register round trip.
  void Open(std::string_view example) {
    UseExample(example);
    RunOpenerSequences();
  }
  INT_PTR RunMotorSetup(platform::UserScript& script) { return RunDialog<CMotorSetupDialog>(script); }
};

}  // namespace dialogtest
