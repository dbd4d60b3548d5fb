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
#include "kernel/ui/bar_graph.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

using analogue_reference::kCommandCaption;
using analogue_reference::kCommandBar;
using analogue_reference::kCommandEdit;
using analogue_reference::kVoltageBar;
using analogue_reference::kVoltageEdit;

double Shown(CDialog& dialog, int id) { return std::atof(dialog.GetDlgItemText(id).c_str()); }

// The bar shows what its edit beside it shows.
void ExpectBarMatchesEdit(CDialog& dialog, int barId, int editId) {
  const auto* bar = dynamic_cast<const CBarGraph*>(dialog.GetDlgItem(barId));
  ASSERT_NE(bar, nullptr) << "bar " << barId;
  EXPECT_DOUBLE_EQ(bar->GetValue(), Shown(dialog, editId)) << "bar " << barId;
}

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
  script.Expect(kCommandCaption, {.text = "Position command"});
  script.Call([&](CDialog& dialog) {
    // Before the run: the input at 0 V in the middle of its -10..10 V, the
    // command at its low end.
    const auto* voltage = dynamic_cast<const CBarGraph*>(dialog.GetDlgItem(kVoltageBar));
    const auto* command = dynamic_cast<const CBarGraph*>(dialog.GetDlgItem(kCommandBar));
    ASSERT_NE(voltage, nullptr);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(voltage->GetLow(), -10.0);
    EXPECT_EQ(voltage->GetHigh(), 10.0);
    EXPECT_EQ(voltage->GetValue(), 0.0);
    EXPECT_EQ(voltage->GetDrawingReference(), 0.0);
    EXPECT_EQ(dialog.GetDlgItemText(kVoltageBar), "0");
    EXPECT_EQ(command->GetValue(), lowShown);
  });
  script.Click(testdlg::kStartStopButton).Wait(1000);
  script.Call([&](CDialog& dialog) {
    // Near the middle of the ramp: within a converter step (20 V / 1024)
    // and the 20 ms of one poll (0.2 V) of 0 V.
    EXPECT_NEAR(Shown(dialog, kVoltageEdit), 0.0, 0.25);
    EXPECT_NEAR(Shown(dialog, kCommandEdit), (lowShown + highShown) / 2, 0.0125 * (highShown - lowShown));
    ExpectBarMatchesEdit(dialog, kVoltageBar, kVoltageEdit);
    ExpectBarMatchesEdit(dialog, kCommandBar, kCommandEdit);
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
