#include "unittests/dialogs/dialog_test_support.h"

#include "engine/sequences.h"
#include "kernel/parameter.h"
#include "platform/resources.h"
#include "unittests/support/ui_resources.h"

namespace dialogtest {

void DialogTest::SetUp() {
  const std::shared_ptr<platform::ResourceSet> resources = testsupport::LoadProjectResources();
  ASSERT_TRUE(resources);
  platform::SetCurrentResources(resources);
  timebase::SetCurrentClock(&clock);
  scales_.emplace();
}

void DialogTest::TearDown() {
  scales_.reset();
  timebase::SetCurrentClock(nullptr);
}

void DialogTest::UseExample(std::string_view name) {
  setup = LoadExample(name);
  ASSERT_NE(setup, nullptr);
}

platform::ScriptRun DialogTest::Run(platform::UserScript& script, const std::function<INT_PTR()>& open) {
  return platform::RunUserScript(script, open);
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
