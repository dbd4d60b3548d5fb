#pragma once

#include <functional>
#include <string>

#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "platform/user_actions.h"
#include "unittests/dialogs/dialog_test_support.h"

// Runs the Drive Setup dialog on the fixture's setup with a scripted person.
namespace dialogtest {

class DriveSetupTest : public DialogTest {
 protected:
  // Plays `script` on a Drive Setup dialog and returns how the dialog ended;
  // fails the test when the script did not run as written.
  INT_PTR RunDriveSetup(platform::UserScript& script) {
    CDriveSetupDlg dialog(setup.get());
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
