#include "unittests/dialogs/dialog_test_support.h"

#include "engine/sequences.h"
#include "kernel/parameter.h"
#include "kernel/setup_file.h"
#include "platform/resources.h"
#include "unittests/support/text_difference.h"
#include "unittests/support/ui_resources.h"

namespace dialogtest {

testing::AssertionResult SameSetup(const std::string& before, const CVX_Setup& setup) {
  const std::string now = kernel::SerializeSetup(setup);
  if (now == before) return testing::AssertionSuccess();
  return testing::AssertionFailure() << testsupport::FirstDifference(before, now);
}

void DialogTest::SetUp() {
  const std::shared_ptr<platform::ResourceSet> resources = testsupport::LoadProjectResources();
  ASSERT_TRUE(resources);
  platform::SetCurrentResources(resources);
  scratch_ = std::make_unique<testsupport::TempDir>();
  userMotors_ = std::make_unique<testsupport::ScopedEnv>("DRIVESETUP_USER_MOTORS", scratch_->File("user_motors.json"));
  timebase::SetCurrentClock(&clock);
  scales_.emplace();
}

void DialogTest::TearDown() {
  scales_.reset();
  timebase::SetCurrentClock(nullptr);
  userMotors_.reset();
  scratch_.reset();
}

void DialogTest::UseExample(std::string_view name) {
  setup = LoadExample(name);
  ASSERT_NE(setup, nullptr);
}

void DialogTest::UseEditedExample(std::string_view name, const std::function<void(nlohmann::json&)>& edit) {
  setup = EditedExample(name, edit);
  ASSERT_NE(setup, nullptr);
}

platform::ScriptRun DialogTest::Run(platform::UserScript& script, const std::function<INT_PTR()>& open) {
  return platform::RunUserScript(script, open);
}

void DialogTest::ExpectHelpTopic(unsigned context, const std::function<void(platform::UserScript&)>& run) {
  constexpr int kHelpButton = 10024;  // every setup dialog's
  const std::string file = "/help/drives.chm";
  CVX_DriveIdentity identity = setup->GetIdentity();
  identity.helpFile = file;
  setup->SetIdentity(identity);
  platform::UserScript script;
  script.Click(kHelpButton).Click(IDCANCEL);
  run(script);
  ASSERT_EQ(script.HelpShown().size(), 1u);
  EXPECT_EQ(script.HelpShown()[0].file, file);
  EXPECT_EQ(script.HelpShown()[0].command, HH_HELP_CONTEXT);
  EXPECT_EQ(script.HelpShown()[0].context, context);
}

platform::ControlState Seen(CDialog& dialog, int id) {
  const auto state = platform::ReadControl(dialog, id);
  EXPECT_TRUE(state.has_value()) << "control " << id;
  return state.value_or(platform::ControlState{});
}

double DialogTest::Base(std::string_view name) const {
  const CVX_Parameter* parameter = setup->FindParameter(std::string(name));
  EXPECT_NE(parameter, nullptr) << name;
  return parameter ? parameter->GetValueInBaseUnit() : 0.0;
}

double DialogTest::Internal(std::string_view name) const {
  const CVX_Parameter* parameter = setup->FindParameter(std::string(name));
  EXPECT_NE(parameter, nullptr) << name;
  return parameter ? parameter->GetValueInInternalUnit() : 0.0;
}

void DialogTest::SetBase(std::string_view name, double value) {
  CVX_Parameter* parameter = setup->FindParameter(std::string(name));
  ASSERT_NE(parameter, nullptr) << name;
  parameter->SetValueInBaseUnit(value);
}

void DialogTest::SetInternal(std::string_view name, double value) {
  CVX_Parameter* parameter = setup->FindParameter(std::string(name));
  ASSERT_NE(parameter, nullptr) << name;
  parameter->SetValueInInternalUnit(value);
}

void DialogTest::RunOpenerSequences() {
  engine::ComputeRegisterParameters(*setup);
  engine::RecoverUserParameters(*setup);
}

}  // namespace dialogtest
