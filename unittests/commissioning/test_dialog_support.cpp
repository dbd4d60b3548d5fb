#include "unittests/commissioning/test_dialog_support.h"

#include <sstream>

#include "commissioning/position_tuning_test_controls.h"
#include "commissioning/speed_tuning_test_controls.h"
#include "commissioning/voltage_identification_test.h"
#include "kernel/comm.h"
#include "kernel/setup_file.h"
#include "kernel/ui/scope_settings_controls.h"
#include "kernel/ui/test_base_ids.h"
#include "platform/answering_user.h"
#include "platform/resources.h"

namespace commissioningtest {

void TestEvents::OnStageText(const CVX_TestDlg&, std::string_view text, int, int) { stages.emplace_back(text); }

void TestEvents::OnTestEnded(const CVX_TestDlg&, int outcome, std::string_view errorText) {
  outcomes.push_back(outcome == 1 || outcome == -1 ? outcome : 0);
  if (outcome != 1 && outcome != -1) errors.emplace_back(errorText);
}

void TestEvents::OnMeasuredValue(const CVX_TestDlg&, std::string_view label, std::string_view oldText,
                                 std::string_view newText) {
  measured.push_back({std::string(label), std::string(oldText), std::string(newText)});
}

void TestEvents::OnTestClosed(const CVX_TestDlg&, INT_PTR result) { closed.push_back(result); }

void TestDialogTest::SetUp() {
  DialogTest::SetUp();
  listening_.emplace(events);
  CVX_Comm::SetLastErrorText("");
}

void TestDialogTest::TearDown() {
  active_.reset();
  drive_.reset();
  listening_.reset();
  DialogTest::TearDown();
}

void TestDialogTest::AddTemplate(std::string_view json) {
  platform::ResourceLoad load = platform::LoadResources(DRIVESETUP_SOURCE_DIR "/resources");
  ASSERT_TRUE(load.ok()) << load.errors.front();
  const std::vector<std::string> errors = platform::AddDialogText(*load.resources, json, "test template");
  ASSERT_TRUE(errors.empty()) << errors.front();
  platform::SetCurrentResources(load.resources);
}

void TestDialogTest::AttachDrive(std::string_view simulation) {
  ASSERT_NE(setup, nullptr) << "choose the example first";
  active_.reset();
  std::string error;
  drive_ = drive::MakeSimulatedDrive(*setup, simulation, error);
  ASSERT_NE(drive_, nullptr) << error;
  active_.emplace(drive_.get());
}

INT_PTR TestDialogTest::RunTest(CDialog& test, platform::UserScript& script) {
  const platform::ScriptRun run = Run(script, [&test] { return test.DoModal(); });
  EXPECT_TRUE(run.ok) << run.failure;
  return run.result;
}

void TestDialogTest::UseDrive(std::string_view example, std::string_view simulation) {
  UseExample(example);
  AttachDrive(simulation);
}

namespace {

// The beginning of the question whether to keep measured values.
constexpr std::string_view kKeepQuestion = "A different value than specified has been detected";

}  // namespace

namespace {

// `script` played by `person` while `open` shows the dialog.
platform::ScriptRun PlayAs(platform::User& person, platform::UserScript& script, const std::function<INT_PTR()>& open) {
  platform::ScriptRun run;
  {
    platform::ScopedUser user(person);
    run.result = open();
  }
  run.ok = script.Finish();
  if (!run.ok) run.failure = *script.Failure();
  return run;
}

}  // namespace

platform::ScriptRun TestDialogTest::RunAnsweringKeep(platform::UserScript& script, std::vector<int> answers,
                                                     const std::function<INT_PTR()>& open,
                                                     std::vector<std::string>* questions) {
  platform::AnsweringUser person(script, std::string(kKeepQuestion), std::move(answers));
  const platform::ScriptRun run = PlayAs(person, script, open);
  if (questions) *questions = person.Answered();
  return run;
}

namespace {

class MotorWatcher final : public platform::User {
 public:
  MotorWatcher(platform::UserScript& script, const drive::SimulatedDrive& drive) : script_(script), drive_(drive) {}
  Turn Act(CDialog& dialog) override { return script_.Act(dialog); }
  int AnswerMessageBox(const platform::MessageBoxRequest& box) override {
    if (box.text.starts_with(CTestVoltage::kSmoothQuestion)) return drive_.MotorRunsSmoothly() ? IDYES : IDNO;
    if (box.text.starts_with(kKeepQuestion)) return IDYES;
    return script_.AnswerMessageBox(box);
  }
  void ShowHelp(const platform::HelpRequest& request) override { script_.ShowHelp(request); }
  void Stop(const std::string& reason) override { script_.Stop(reason); }
  bool Stopped() const override { return script_.Stopped(); }

 private:
  platform::UserScript& script_;
  const drive::SimulatedDrive& drive_;
};

}  // namespace

platform::ScriptRun TestDialogTest::RunWatchingTheMotor(platform::UserScript& script,
                                                        const std::function<INT_PTR()>& open) {
  MotorWatcher person(script, Drive());
  return PlayAs(person, script, open);
}

std::string TestDialogTest::Saved() const { return kernel::SerializeSetup(*setup); }

void TestDialogTest::ExpectUnchangedSince(const std::string& saved) const {
  const std::string now = Saved();
  if (now == saved) return;
  std::istringstream a(saved);
  std::istringstream b(now);
  std::string lineA;
  std::string lineB;
  for (int line = 1;; ++line) {
    const bool moreA = static_cast<bool>(std::getline(a, lineA));
    const bool moreB = static_cast<bool>(std::getline(b, lineB));
    if (!moreA && !moreB) break;
    if (lineA != lineB || moreA != moreB) {
      ADD_FAILURE() << "the setup changed; line " << line << " was\n  " << lineA << "\nand is\n  " << lineB;
      return;
    }
  }
}

platform::UserScript& TestDialogTest::StartAndWait(platform::UserScript& script, int maxMs) {
  return script.Click(testdlg::kStartStopButton).WaitUntil(testdlg::kStartStopButton, {.text = "&Start"}, maxMs);
}

void TestDialogTest::ExpectEndsKeepingNothing(platform::UserScript& script,
                                              const std::function<std::unique_ptr<CDialog>()>& open) {
  std::string opened;
  const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
    const std::unique_ptr<CDialog> dialog = open();
    opened = Saved();
    return dialog->DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  ExpectUnchangedSince(opened);
}

platform::UserScript& TestDialogTest::ChangeScopeSettings(platform::UserScript& script, const std::string& caption,
                                                          int tabs, int points, int divider) {
  static_assert(int{speed_tuning::kScopeSettingsButton} == int{position_tuning::kScopeSettingsButton},
                "the tuning templates share the scope's buttons");
  return script.ExpectDialog(caption)
      .Tab(tabs, 1)
      .Click(speed_tuning::kScopeSettingsButton)
      .ExpectDialog("Scope settings")
      .Type(scope_settings::kPointsEdit, std::to_string(points))
      .Type(scope_settings::kDividerEdit, std::to_string(divider))
      .Click(IDOK)
      .ExpectDialog(caption);
}

INT_PTR TestDialogTest::RunOnceAndClose(CDialog& test) {
  platform::UserScript script;
  StartAndWait(script).Click(testdlg::kCloseButton);
  return RunTest(test, script);
}

}  // namespace commissioningtest
