#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "kernel/setup.h"
#include "plugin_module.h"

namespace {

constexpr std::array<const char*, 5> kFive = {"NoMotorSteps", "NoMicroStepsPerStep", "StepperControlType",
                                              "Motor_transmission", "Load_transmission"};

// An open-loop axis: 200 steps, 16 microsteps, direct drive. The step units
// exist once the update ran.
class InitParamCounter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.Complete());
    ResetCount();
    for (const char* family : {"rad", "rad/s", "rad/s^2", "rad/s^3"}) ASSERT_TRUE(setup.AddUnitFamily(family));
    Add("NoMotorSteps", 200);
    Add("NoMicroStepsPerStep", 16);
    Add("StepperControlType", 0);
    Add("Motor_transmission", 1);
    Add("Load_transmission", 1);
  }

  void Add(const char* name, double value) {
    CVX_Parameter* p = setup.AddParameter(name);
    ASSERT_NE(p, nullptr);
    p->InitInternal(value);
  }

  // The count is the process's: bring it back to zero whatever earlier tests
  // left. A null setup makes the fifth counted call fail visibly.
  void ResetCount() {
    for (int i = 0; i < 5; ++i)
      if (m.onInitParam(nullptr, "NoMotorSteps") == 0) return;
    FAIL() << "five counted calls never ran the update";
  }

  int Call(const char* name) { return m.onInitParam(&setup, name); }
  bool HasStepUnits() const { return setup.FindUnit("steps") != nullptr; }

  const PluginModule& m = PluginModule::Get();
  CVX_Setup setup;
};

TEST_F(InitParamCounter, FifthOfTheFiveNamesRebuildsTheStepUnits) {
  const std::vector<std::array<const char*, 5>> orders = {
      kFive,
      {"Load_transmission", "Motor_transmission", "StepperControlType", "NoMicroStepsPerStep", "NoMotorSteps"},
      {"StepperControlType", "NoMotorSteps", "Load_transmission", "NoMicroStepsPerStep", "Motor_transmission"},
  };
  for (const auto& order : orders) {
    if (HasStepUnits()) {
      ASSERT_TRUE(setup.RemoveUnit("steps"));
    }
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(Call(order[i]), 1) << order[i];
      EXPECT_FALSE(HasStepUnits()) << "after call " << i + 1;
    }
    EXPECT_EQ(Call(order[4]), 1);
    EXPECT_TRUE(HasStepUnits());
  }
}

TEST_F(InitParamCounter, SameNameFiveTimesCountsFiveTimes) {
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Call("Load_transmission"), 1);
  EXPECT_FALSE(HasStepUnits());
  EXPECT_EQ(Call("Load_transmission"), 1);
  EXPECT_TRUE(HasStepUnits());
}

TEST_F(InitParamCounter, SixthCallStartsANewCount) {
  for (const char* name : kFive) Call(name);
  ASSERT_TRUE(HasStepUnits());
  ASSERT_TRUE(setup.RemoveUnit("steps"));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Call(kFive[i]), 1);
    EXPECT_FALSE(HasStepUnits()) << "call " << i + 6 << " rebuilt the units";
  }
  EXPECT_EQ(Call(kFive[4]), 1);
  EXPECT_TRUE(HasStepUnits());
}

TEST_F(InitParamCounter, LetterCaseDoesNotMatter) {
  for (const char* name : {"NOMOTORSTEPS", "nomicrostepsperstep", "stepperControlType", "MOTOR_TRANSMISSION"})
    EXPECT_EQ(Call(name), 1);
  EXPECT_FALSE(HasStepUnits());
  EXPECT_EQ(Call("load_Transmission"), 1);
  EXPECT_TRUE(HasStepUnits());
}

TEST_F(InitParamCounter, OtherNamesReturnOneAndDoNotCount) {
  for (int i = 0; i < 4; ++i) Call(kFive[i]);
  // Near misses and other parameters leave the count at four.
  for (const char* name : {"RunCurrent", "NoMotorStep", "NoMotorStepsX", " NoMotorSteps", "", "µsteps"}) {
    EXPECT_EQ(Call(name), 1) << '"' << name << '"';
    EXPECT_FALSE(HasStepUnits()) << '"' << name << "\" counted";
  }
  EXPECT_EQ(m.onInitParam(&setup, nullptr), 1);
  EXPECT_FALSE(HasStepUnits());
  EXPECT_EQ(Call(kFive[4]), 1);
  EXPECT_TRUE(HasStepUnits());
}

TEST_F(InitParamCounter, FailedUpdateReturnsZeroAndStillRestarts) {
  // Without the "rad" family the kernel refuses the step units.
  CVX_Setup bare;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(m.onInitParam(&bare, kFive[i]), 1);
  EXPECT_EQ(m.onInitParam(&bare, kFive[4]), 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(m.onInitParam(&bare, kFive[i]), 1) << "the count did not restart";
  EXPECT_EQ(m.onInitParam(&bare, kFive[4]), 0);
}

TEST_F(InitParamCounter, CountSpansSetups) {
  CVX_Setup other;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(m.onInitParam(&other, kFive[i]), 1);
  EXPECT_EQ(Call(kFive[4]), 1);
  EXPECT_TRUE(HasStepUnits());
}

TEST_F(InitParamCounter, NullSetupCountsButCannotUpdate) {
  for (int i = 0; i < 4; ++i) EXPECT_EQ(m.onInitParam(nullptr, kFive[i]), 1);
  EXPECT_EQ(m.onInitParam(nullptr, kFive[4]), 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Call(kFive[i]), 1);
  EXPECT_EQ(Call(kFive[4]), 1);
  EXPECT_TRUE(HasStepUnits());
}

}  // namespace
