#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui_test_support.h"

namespace uitest {
namespace {

using platform::ScriptStep;
using platform::StepKind;
using platform::UserScript;

using UserScripts = UiTest;

TEST_F(UserScripts, EveryStepKindDrivesTheDialogAsAPersonWould) {
  SampleDialog dialog;
  UserScript script;
  script.ExpectDialog("Sample Test Dialog")
      .Type(kGainEdit, "2.5")
      .Select(kFilterCombo, "High pass")
      .SelectData(kFilterCombo, 10)
      .Check(kProtectionCheck, true)
      .Click(kTorqueRadio)
      .Tab(kPagesTab, 1)
      .Chord('E')
      .Click(kTimerButton)
      .Wait(40)
      .Expect(kGainEdit, {.text = "2.5", .visible = true, .enabled = true})
      .Expect(kFilterCombo, {.text = "Low pass"})
      .Expect(kProtectionCheck, {.checked = true})
      .Expect(kPositionRadio, {.checked = false})
      .Expect(kApplyButton, {.enabled = true})
      .Expect(kWarningText, {.text = "Values changed", .visible = true, .color = kWarningRed})
      .Expect(kPagesTab, {.text = "Test"})
      .Answer("Keep the new values?", IDYES)
      .Click(kAskButton);
  const platform::ScriptRun run = RunSample(script, dialog);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "show", "change", "leave 2.5", "filter 2 data 20",
                                                  "filter 1 data 10", "protection on", "mode 132", "page 1", "chord",
                                                  "ask 6"}));
  EXPECT_TRUE(dialog.expert);
  EXPECT_EQ(dialog.ticks, 2);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

// A list step notes what a person sees of every control, labels without an
// identifier too, and takes no action.
TEST_F(UserScripts, ListNotesEveryControlOfTheDialogOnTop) {
  SampleDialog dialog;
  UserScript script;
  script.Click(kTorqueRadio).List().Click(IDOK);
  const platform::ScriptRun run = RunSample(script, dialog);
  ASSERT_TRUE(run.ok) << run.failure;
  ASSERT_EQ(script.Listings().size(), 1u);
  const platform::ControlListing& listing = script.Listings().front();
  EXPECT_EQ(listing.caption, "Sample Test Dialog");
  EXPECT_EQ(listing.templateId, kSampleDialogId);
  const auto find = [&](int id) {
    const auto found = std::find_if(listing.controls.begin(), listing.controls.end(),
                                    [id](const platform::ListedControl& c) { return c.id == id; });
    return found == listing.controls.end() ? nullptr : &found->state;
  };
  ASSERT_NE(find(kTorqueRadio), nullptr);
  EXPECT_EQ(find(kTorqueRadio)->check, BST_CHECKED);
  ASSERT_NE(find(kWarningText), nullptr);
  EXPECT_FALSE(find(kWarningText)->visible);
  ASSERT_NE(find(kApplyButton), nullptr);
  EXPECT_FALSE(find(kApplyButton)->enabled);

  const std::vector<std::string> lines = Lines(platform::ListingText(listing));
  ASSERT_EQ(lines.size(), listing.controls.size() + 2);
  EXPECT_EQ(lines[0], "dialog \"Sample Test Dialog\" (template 9000), " + std::to_string(listing.controls.size()) +
                          " controls:");
  const auto line = [&](const std::string& start) {
    const auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    return found == lines.end() ? std::string() : *found;
  };
  EXPECT_EQ(line("  120 "), "  120    check          yes      yes      no       \"Enable protection\"");
  EXPECT_EQ(line("  132 "), "  132    radio          yes      yes      yes      \"Torque\"");
  EXPECT_EQ(line("  150 "), "  150    static         no       yes      -        \"Values changed\"");
  EXPECT_EQ(line("  110 "), "  110    combo          yes      yes      -        \"\" (3 entries)");
  EXPECT_FALSE(line("  -      static         yes      yes      -        \"Gain\"").empty());
}

// Plays `steps` against the sample dialog and returns why the run stopped.
std::string FailureOf(UserScript& script) {
  SampleDialog dialog;
  const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
  EXPECT_EQ(run.result, -1);
  EXPECT_FALSE(run.ok);
  return run.failure;
}

TEST_F(UserScripts, AStepAPersonCannotDoNamesTheStepTheDialogAndTheControl) {
  const std::string in = "in dialog \"Sample Test Dialog\", control ";
  auto check = [](ScriptStep step, const std::string& failure) {
    UserScript script;
    script.Add(std::move(step)).Click(IDOK);
    EXPECT_EQ(FailureOf(script), failure);
  };
  check({.kind = StepKind::kClick, .id = 999}, "step 1 (click) " + in + "999: the control does not exist");
  check({.kind = StepKind::kClick, .id = kApplyButton}, "step 1 (click) " + in + "182: the control is disabled");
  check({.kind = StepKind::kType, .id = kWarningText, .text = "x"},
        "step 1 (type) " + in + "150: the control is hidden");
  check({.kind = StepKind::kClick, .id = kSettingsGroup},
        "step 1 (click) " + in + "160: the control is a group box, which cannot be clicked");
  check({.kind = StepKind::kType, .id = kProtectionCheck, .text = "x"},
        "step 1 (type) " + in + "120: the control is a check box, which cannot be typed into");
  check({.kind = StepKind::kSelect, .id = kGainEdit, .text = "x"},
        "step 1 (select) " + in + "100: the control is an edit, which cannot select an entry");
  check({.kind = StepKind::kSelect, .id = kFilterCombo, .text = "Band pass"},
        "step 1 (select) " + in +
            "110: the combo box has no entry \"Band pass\" (entries: \"LowPass, High\", \"Low pass\", \"High pass\")");
  check({.kind = StepKind::kSelect, .id = kFilterCombo, .data = 30},
        "step 1 (select) " + in + "110: the combo box has no entry with item data 30");
  check({.kind = StepKind::kCheck, .id = kGainEdit, .value = true},
        "step 1 (check) " + in + "100: the control is an edit, which cannot be checked");
  check({.kind = StepKind::kCheck, .id = kPositionRadio, .value = false},
        "step 1 (check) " + in + "130: a person cannot clear a radio button; click another button of its group");
  check({.kind = StepKind::kTab, .id = kPagesTab, .index = 2},
        "step 1 (tab) " + in + "170: the tab control has no page 2 (it has 2)");
  check({.kind = StepKind::kTab, .id = kGainSlider, .index = 0},
        "step 1 (tab) " + in + "180: the control is a slider, which cannot switch pages");
  check({.kind = StepKind::kChord, .key = '1'},
        "step 1 (chord) in dialog \"Sample Test Dialog\": a chord takes a letter from A to Z, not '1'");
  check(platform::UserScript().Expect(999, {.visible = true}).Steps()[0],
        "step 1 (expect) " + in + "999: the control does not exist");
}

TEST_F(UserScripts, AnExpectThatDoesNotHoldSaysWhatDiffers) {
  auto check = [](int id, platform::Expectation expect, const std::string& differs) {
    UserScript script;
    script.Click(kSpeedRadio).Expect(id, std::move(expect)).Click(IDOK);
    EXPECT_EQ(FailureOf(script),
              "step 2 (expect) in dialog \"Sample Test Dialog\", control " + std::to_string(id) + ": " + differs);
  };
  check(kMeasuredEdit, {.text = "0.25"}, "text is \"0.5\", expected \"0.25\"");
  check(kWarningText, {.visible = true}, "visible is false, expected true");
  check(kApplyButton, {.enabled = true}, "enabled is false, expected true");
  check(kSpeedRadio, {.checked = false}, "checked is true, expected false");
  check(kGainEdit, {.checked = true}, "the control is an edit, which has no check state");
  check(kMeasuredEdit, {.color = kWarningRed}, "color is #000000, expected #B40014");
  check(kApplyButton, {.text = "Apply", .visible = false, .enabled = true},
        "visible is true, expected false; enabled is false, expected true");
}

// A host plays the way to a dialog before the script written for it; the
// messages keep the script's own step numbers.
TEST_F(UserScripts, StepsPlayedFirstAreNamedApartFromTheScripts) {
  {
    UserScript script;
    script.Expect(kGainEdit, {.text = "wrong"}).Click(IDOK);
    script.PlayFirst({{.kind = StepKind::kClick, .id = kSpeedRadio}}, "the way to the sample");
    EXPECT_EQ(FailureOf(script),
              "step 1 (expect) in dialog \"Sample Test Dialog\", control 100: text is \"\", expected \"wrong\"");
  }
  UserScript script;
  script.Click(IDOK);
  script.PlayFirst({{.kind = StepKind::kClick, .id = kSpeedRadio}, {.kind = StepKind::kClick, .id = 999}},
                   "the way to the sample");
  EXPECT_EQ(FailureOf(script),
            "the way to the sample step 2 (click) in dialog \"Sample Test Dialog\", control 999: the control does "
            "not exist");
}

TEST_F(UserScripts, TheWrongDialogOnTopStopsTheRun) {
  UserScript script;
  script.ExpectDialog("Drive Setup").Click(IDOK);
  EXPECT_EQ(FailureOf(script),
            "step 1 (expect-dialog): the dialog on top is \"Sample Test Dialog\", expected \"Drive Setup\"");
}

TEST_F(UserScripts, AScriptWithNoActionLeavesTheDialogStopped) {
  UserScript script;
  script.ExpectDialog("Sample Test Dialog");
  EXPECT_EQ(FailureOf(script),
            "the script has no step left (it took no action) while dialog \"Sample Test Dialog\" (template 9000) is "
            "still open");
}

TEST_F(UserScripts, StepsLeftWhenTheLastDialogClosedFailTheRun) {
  SampleDialog dialog;
  UserScript script;
  script.Click(IDOK).Expect(kGainEdit, {.text = ""});
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_EQ(run.result, IDOK);
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.failure, "step 2 (expect) did not run: no dialog was open any more");
}

TEST_F(UserScripts, AStoppedRunAnswersLaterBoxesWithNothing) {
  SampleDialog dialog;
  UserScript script;
  script.Click(kSubDialogButton).Click(999);
  const platform::ScriptRun run = RunSample(script, dialog);
  EXPECT_EQ(run.failure,
            "step 2 (click) in dialog \"Sample Sub-dialog\", control 999: the control does not exist");
  EXPECT_EQ(dialog.subResult, -1);
  // The run stopped: a box now gets 0 without asking, and no dialog opens.
  platform::ScopedUser stillTheScript(script);
  EXPECT_EQ(platform::ShowMessageBox("late", "", MB_OK), 0);
  EXPECT_TRUE(script.MessageBoxesShown().empty());
  SampleDialog another;
  EXPECT_EQ(another.DoModal(), -1);
  EXPECT_TRUE(another.log.empty());
}

}  // namespace
}  // namespace uitest
