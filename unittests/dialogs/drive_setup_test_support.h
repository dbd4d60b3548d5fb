#pragma once

#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "unittests/dialogs/dialog_test_support.h"

// Runs the Drive Setup dialog on the fixture's setup with a scripted person.
namespace dialogtest {

class DriveSetupTest : public DialogTest {
 protected:
  INT_PTR RunDriveSetup(platform::UserScript& script) { return RunDialog<CDriveSetupDlg>(script); }
};

}  // namespace dialogtest
