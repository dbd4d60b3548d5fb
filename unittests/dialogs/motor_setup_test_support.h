#pragma once

#include "dialogs/motor_setup_controls.h"
#include "dialogs/motor_setup_dlg.h"
#include "platform/user_actions.h"
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

  // Plays `script` on a motor dialog and returns how it ended; fails the
  // test when the script did not run as written.
  INT_PTR RunMotorSetup(platform::UserScript& script) {
    CMotorSetupDialog dialog(setup.get());
    const platform::ScriptRun run = Run(script, [&dialog] { return dialog.DoModal(); });
    EXPECT_TRUE(run.ok) << run.failure;
    return run.result;
  }

  // What the person sees of control `id` of the dialog on top.
  static platform::ControlState Seen(CDialog& dialog, int id) {
    const auto state = platform::ReadControl(dialog, id);
    EXPECT_TRUE(state.has_value()) << "control " << id;
    return state.value_or(platform::ControlState{});
  }
};

}  // namespace dialogtest
