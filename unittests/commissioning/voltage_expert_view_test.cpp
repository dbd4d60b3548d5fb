// The voltage mode identification's expert view: the hidden key chord shows
// and unlocks the identified values, and a value typed there is offered for
// keeping as a measured one would be.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commissioning/voltage_identification_test.h"
#include "commissioning/voltage_identification_test_controls.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

using namespace voltage_identification;

class VoltageExpertView : public commissioningtest::TestDialogTest {};

TEST_F(VoltageExpertView, TheChordUnlocksTheValuesAndATypedOneIsOfferedForKeeping) {
  UseDrive("open_loop_step_loss_encoder");
  const double komega = Internal("KOMEGA");
  platform::UserScript script;
  script.Expect(kSpeedConstantEdit, {.visible = false})
      .Expect(kMinimumCurrentEdit, {.enabled = false})
      .Chord(CTestVoltage::kExpertChordLetter)
      .Expect(kSpeedConstantEdit, {.visible = true, .enabled = true})
      .Expect(kVoltageBoostFactorLabel, {.visible = true})
      .Expect(kMinimumCurrentEdit, {.enabled = true})
      .Type(kSpeedConstantEdit, std::to_string(static_cast<int>(komega) + 30))
      .Click(testdlg::kCloseButton);
  std::vector<std::string> questions;
  const platform::ScriptRun run = RunAnsweringKeep(script, {IDYES}, [&] {
    CTestVoltage dialog(setup.get(), 1);
    return dialog.DoModal();
  }, &questions);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
  ASSERT_EQ(questions.size(), 1u);
  const std::string line = "Speed constant [Kv]:\tOld = " + std::to_string(static_cast<int>(komega)) +
                           "\tNew = " + std::to_string(static_cast<int>(komega) + 30);
  EXPECT_NE(questions[0].find(line), std::string::npos) << questions[0];
  EXPECT_EQ(Internal("KOMEGA"), komega + 30);
}

// The chord again hides the values and locks their edits.
TEST_F(VoltageExpertView, TheChordAgainHidesTheValues) {
  UseDrive("open_loop_step_loss_encoder");
  platform::UserScript script;
  script.Chord(CTestVoltage::kExpertChordLetter)
      .Chord(CTestVoltage::kExpertChordLetter)
      .Expect(kSpeedConstantEdit, {.visible = false, .enabled = false})
      .Expect(kMinimumCurrentEdit, {.enabled = false})
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
    CTestVoltage dialog(setup.get(), 1);
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
}

}  // namespace
