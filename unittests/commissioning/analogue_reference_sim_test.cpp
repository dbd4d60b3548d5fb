// The analogue reference test through its dialog, with the person moving the
// voltage at the reference input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "commissioning/analogue_reference_test.h"
#include "dialogs/reference_controls.h"
#include "dialogs/reference_dlg.h"
#include "kernel/parameter.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

using analogue_reference::kCommandCaption;
using analogue_reference::kCommandEdit;
using analogue_reference::kVoltageEdit;

double Shown(CDialog& dialog, int id) { return std::atof(dialog.GetDlgItemText(id).c_str()); }

class AnalogueReferenceSim : public commissioningtest::TestDialogTest {};

TEST_F(AnalogueReferenceSim, FollowsTheInputUntilStop) {
  // A ramp from -10 V to 10 V over the first two seconds of the run.
  UseDrive("closed_loop_incremental_1000", R"({"person": {"analogue_input": [[0, -10], [2, 10]]}})");
  CVX_Parameter* low = setup->FindParameter("POS_min");
  CVX_Parameter* high = setup->FindParameter("POS_max");
  const double lowShown = low->GetValueInUnit(low->GetUnitName());
  const double highShown = high->GetValueInUnit(high->GetUnitName());
  std::string before;
  platform::UserScript script;
  script.Expect(kCommandCaption, {.text = "Position command"}).Click(testdlg::kStartStopButton).Wait(1000);
  script.Call([&](CDialog& dialog) {
    // Near the middle of the ramp: within a converter step (20 V / 1024)
    // and the 20 ms of one poll (0.2 V) of 0 V.
    EXPECT_NEAR(Shown(dialog, kVoltageEdit), 0.0, 0.25);
    EXPECT_NEAR(Shown(dialog, kCommandEdit), (lowShown + highShown) / 2, 0.0125 * (highShown - lowShown));
  });
  script.Wait(1500).Call([&](CDialog& dialog) {
    EXPECT_NEAR(Shown(dialog, kVoltageEdit), 10.0, 0.05);
    EXPECT_NEAR(Shown(dialog, kCommandEdit), highShown, 0.005 * (highShown - lowShown));
  });
  script.Click(testdlg::kStartStopButton)
      .Wait(20)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
    CTestAnalogueRef dialog(setup.get(), 1);
    before = Saved();
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
  ExpectUnchangedSince(before);
}

// The External Reference Setup dialog's "&Test" opens the test between the
// register round trips; the test changes nothing, so the reference dialog's
// Cancel and OK find the setup as they would without it.
TEST_F(AnalogueReferenceSim, TheReferenceDialogsTestButtonOpensIt) {
  UseDrive("closed_loop_incremental_1000", R"({"person": {"analogue_input": [[0, 10]]}})");
  RunOpenerSequences();
  const std::string before = Saved();
  platform::UserScript script;
  script.ExpectDialog("External Reference Setup")
      .Check(reference::kAnalogueRadio, true)
      .Click(reference::kTestButton)
      .ExpectDialog("Analogue Reference Test")
      .Click(testdlg::kStartStopButton)
      .Wait(500)
      .Expect(kVoltageEdit, {.text = "10.00"})
      .Click(testdlg::kStartStopButton)
      .Wait(20)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Click(testdlg::kCloseButton)
      .ExpectDialog("External Reference Setup")
      .Click(IDCANCEL);
  const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
    CAnalogReferenceDlg dialog(setup.get());
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  ExpectUnchangedSince(before);
}

}  // namespace
