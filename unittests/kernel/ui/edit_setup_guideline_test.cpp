#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/setup.h"
#include "kernel/ui/edit_setup_dlg.h"
#include "platform/user_script.h"
#include "unittests/support/environment.h"
#include "unittests/support/ui_resources.h"

namespace {

enum : int { kPrevious = 10005, kNext = 10006, kStepText = 10007 };

constexpr char kTemplate[] = R"({
  "id": 9110, "caption": "Guideline Test", "w": 300, "h": 120,
  "controls": [
    {"id": 1, "class": "button", "text": "OK", "x": 240, "y": 100, "w": 50, "h": 14, "style": ["default"]},
    {"id": 10007, "class": "edit", "text": "as designed", "x": 10, "y": 10, "w": 280, "h": 60,
     "style": ["readonly", "multiline"]},
    {"id": 10005, "class": "button", "text": "Previous", "x": 10, "y": 75, "w": 50, "h": 14},
    {"id": 10006, "class": "button", "text": "Next", "x": 70, "y": 75, "w": 50, "h": 14}
  ]
})";

// The same dialog without "Next".
constexpr char kTemplateWithoutNext[] = R"({
  "id": 9111, "caption": "Guideline Test", "w": 300, "h": 120,
  "controls": [
    {"id": 1, "class": "button", "text": "OK", "x": 240, "y": 100, "w": 50, "h": 14, "style": ["default"]},
    {"id": 10007, "class": "edit", "text": "as designed", "x": 10, "y": 10, "w": 280, "h": 60,
     "style": ["readonly", "multiline"]},
    {"id": 10005, "class": "button", "text": "Previous", "x": 10, "y": 75, "w": 50, "h": 14}
  ]
})";

const std::vector<std::string> kSteps = {"Step 1.\tChoose the mode.", "Step 2.\tSet the currents.",
                                         "Step 3. Save."};

class GuidelineTest : public ::testing::Test {
 protected:
  void Run(UINT templateId, std::vector<std::string> steps, platform::UserScript& script) {
    CVX_EditSetupDlg dialog(&setup, templateId, 1, std::move(steps));
    script.Click(IDOK);
    const platform::ScriptRun run = platform::RunUserScript(script, [&] { return dialog.DoModal(); });
    EXPECT_TRUE(run.ok) << run.failure;
  }

  testsupport::ScopedTemplates templates{kTemplate, kTemplateWithoutNext};
  CVX_Setup setup;
};

TEST_F(GuidelineTest, NextAndPreviousWalkTheStepsAndStopAtBothEnds) {
  platform::UserScript script;
  script.Expect(kStepText, {.text = kSteps[0]})
      .Expect(kPrevious, {.enabled = false})
      .Expect(kNext, {.enabled = true})
      .Click(kNext)
      .Expect(kStepText, {.text = kSteps[1]})
      .Expect(kPrevious, {.enabled = true})
      .Expect(kNext, {.enabled = true})
      .Click(kNext)
      .Expect(kStepText, {.text = kSteps[2]})
      .Expect(kNext, {.enabled = false})
      .Click(kPrevious)
      .Click(kPrevious)
      .Expect(kStepText, {.text = kSteps[0]})
      .Expect(kPrevious, {.enabled = false})
      .Expect(kNext, {.enabled = true});
  Run(9110, kSteps, script);
}

TEST_F(GuidelineTest, ASingleStepLeavesNowhereToGo) {
  platform::UserScript script;
  script.Expect(kStepText, {.text = "Step 1.\tOnly this."})
      .Expect(kPrevious, {.enabled = false})
      .Expect(kNext, {.enabled = false});
  Run(9110, {"Step 1.\tOnly this."}, script);
}

TEST_F(GuidelineTest, WithoutTextsOrWithoutItsControlsTheDialogIsLeftAlone) {
  platform::UserScript noTexts;
  noTexts.Expect(kStepText, {.text = "as designed"})
      .Expect(kPrevious, {.enabled = true})
      .Click(kNext)
      .Click(kPrevious)
      .Expect(kStepText, {.text = "as designed"});
  Run(9110, {}, noTexts);

  platform::UserScript noNext;
  noNext.Expect(kStepText, {.text = "as designed"}).Click(kPrevious).Expect(kStepText, {.text = "as designed"});
  Run(9111, kSteps, noNext);
}

}  // namespace
