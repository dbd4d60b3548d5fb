#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "drive_link_fake.h"
#include "kernel/coff_format.h"
#include "kernel/comm.h"
#include "kernel/logger.h"
#include "kernel/missing_value.h"
#include "kernel/program_run.h"
#include "kernel/setup.h"
#include "unittests/support/kernel_errors.h"

namespace {

constexpr const char* kCurrentTest = "Current_Controller_Tuning_Test_SCL";

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
    CVX_Parameter* kpi = setup.AddParameter("KPI");
    kpi->InitType(kernel::ValueType::kInt16);
    kpi->InitInternal(2400);
    setup.AddParameter("R")->InitInternal(1.5);
    ASSERT_NE(coff.ReadCoff(), 0) << coff.GetErrorText();
  }

  FakeDriveInstalled link;
  CVX_Setup setup;
  CVX_CoffFormat coff{kernel::GetOutPathName(kCurrentTest)};
  std::string errorText;
};

void CountCall(void* context) { ++*static_cast<int*>(context); }

TEST_F(ProgramRun, ExecuteCodeDownloadsRegistersThenStartsWithTheWrittenInputs) {
  ASSERT_NE(kernel::SetUserVariableValue(coff, "In1", 1000.4, errorText), 0) << errorText;
  ASSERT_NE(kernel::SetUserVariableValue(coff, "RefTest", -2500, errorText), 0) << errorText;
  ASSERT_NE(kernel::SetUserVariableValue(coff, "in1", 1200, errorText), 0) << "a rewrite, in any letter case";
  EXPECT_EQ(link.drive.programVariables[FakeDrive::ProgramKey(kCurrentTest, "In1")], 1200)
      << "written through at once";

  int started = 0;
  ASSERT_NE(kernel::ExecuteCode(setup, kCurrentTest, coff, nullptr, &CountCall, &started), 0);
  EXPECT_EQ(started, 1);
  const std::vector<std::string> tail(link.drive.sequence.end() - 2, link.drive.sequence.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"download", "start"}));
  ASSERT_EQ(link.drive.downloaded.size(), 1u);
  EXPECT_EQ(link.drive.downloaded[0].value, 2400);

  ASSERT_EQ(link.drive.starts.size(), 1u);
  const FakeDrive::StartRecord& start = link.drive.starts[0];
  EXPECT_EQ(start.name, kCurrentTest);
  EXPECT_EQ(start.declaredVariables, coff.GetImage().variables.size());
  EXPECT_EQ(start.logging.kind, kernel::LoggingRequest::Kind::kNone);
  ASSERT_EQ(start.inputs.size(), 2u);
  EXPECT_EQ(start.inputs[0].name, "In1");
  EXPECT_EQ(start.inputs[0].value, 1200) << "the rewrite replaced the value in place";
  EXPECT_EQ(start.inputs[1].name, "RefTest");
  EXPECT_EQ(start.inputs[1].value, -2500);
}

TEST_F(ProgramRun, InputsAreFittedToTheirTypes) {
  ASSERT_NE(kernel::SetUserVariableValue(coff, "In1", 40000, errorText), 0);
  ASSERT_NE(kernel::SetUserVariableValue(coff, "Imax_Prot_Test", 99.5, errorText), 0);
  EXPECT_EQ(coff.GetKeptInputs()[0].value, 32767) << "In1 is int16";
  EXPECT_EQ(coff.GetKeptInputs()[1].value, 100) << "rounded half away from zero";
}

TEST_F(ProgramRun, UnknownOutputAndNonFiniteWritesNeverReachTheDrive) {
  EXPECT_EQ(kernel::SetUserVariableValue(coff, "In2", 1, errorText), 0);
  EXPECT_EQ(errorText, "The program \"Current_Controller_Tuning_Test_SCL\" has no variable \"In2\".");
  EXPECT_EQ(kernel::SetUserVariableValue(coff, "test_flag", 1, errorText), 0);
  EXPECT_NE(errorText.find("is an output"), std::string::npos);
  EXPECT_EQ(kernel::SetUserVariableValue(coff, "In1", std::numeric_limits<double>::infinity(), errorText), 0);
  EXPECT_NE(errorText.find("not a finite number"), std::string::npos);
  EXPECT_EQ(link.drive.calls.total, 0);
  EXPECT_TRUE(coff.GetKeptInputs().empty());
}

TEST_F(ProgramRun, ReadsGiveTheDriveValueOrTheMissingValueWithTheLinkText) {
  link.drive.programVariables[FakeDrive::ProgramKey(kCurrentTest, "test_flag")] = -1;
  double value = 0;
  ASSERT_NE(kernel::GetUserVariableValue(coff, "TEST_FLAG", value, errorText), 0);
  EXPECT_EQ(value, -1);
  ASSERT_NE(kernel::GetUserVariableValue(coff, "STARTED", value, errorText), 0);
  EXPECT_EQ(value, 0) << "nothing set yet";

  EXPECT_EQ(kernel::GetUserVariableValue(coff, "theta_1", value, errorText), 0);
  EXPECT_EQ(value, kMissingValue);
  EXPECT_EQ(link.drive.calls.readProgram, 2) << "a variable the image lacks is not asked for";

  link.drive.FailFromCall(1, "Timeout while reading.");
  value = 0;
  EXPECT_EQ(kernel::GetUserVariableValue(coff, "STARTED", value, errorText), 0);
  EXPECT_EQ(value, kMissingValue);
  EXPECT_EQ(errorText, "Timeout while reading.");
  EXPECT_STREQ(CVX_Comm::GetLastErrorText(), "Timeout while reading.");
  EXPECT_EQ(kernel::SetUserVariableValue(coff, "In1", 5, errorText), 0);
  EXPECT_TRUE(coff.GetKeptInputs().empty()) << "a failed write is not kept for the start";
}

TEST_F(ProgramRun, AFailedDownloadStartsNothing) {
  link.drive.FailFromCall(1, "Link lost.");
  int started = 0;
  EXPECT_EQ(kernel::ExecuteCode(setup, kCurrentTest, coff, nullptr, &CountCall, &started), 0);
  EXPECT_EQ(link.drive.calls.start, 0);
  EXPECT_EQ(started, 0);
  EXPECT_STREQ(CVX_Comm::GetLastErrorText(), "Link lost.");
}

TEST_F(ProgramRun, AnImageNotLoadedOrOfAnotherProgramIsRefused) {
  testsupport::ErrorCapture errors;
  EXPECT_EQ(kernel::ExecuteCode(setup, "Current_Controller_Tuning_Test_SOL", coff, nullptr, nullptr, nullptr), 0);
  CVX_CoffFormat unread(kernel::GetOutPathName(kCurrentTest));
  EXPECT_EQ(kernel::ExecuteCode(setup, kCurrentTest, unread, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(kernel::SetUserVariableValue(unread, "In1", 1, errorText), 0);
  EXPECT_NE(errorText.find("is not loaded"), std::string::npos);

  CVX_SingleAxisLogger empty(setup, &coff);
  EXPECT_EQ(kernel::ExecuteCode(setup, kCurrentTest, coff, &empty, nullptr, nullptr), 0);
  EXPECT_EQ(link.drive.calls.total, 0);
  ASSERT_EQ(errors.errors.size(), 3u);
  EXPECT_NE(errors.errors[0].find("cannot start with the image of \"Current_Controller_Tuning_Test_SCL\""),
            std::string::npos);
  EXPECT_NE(errors.errors[2].find("logs no variable"), std::string::npos);
}

TEST_F(ProgramRun, GetAxisOnReportsThePowerStage) {
  int on = -1;
  ASSERT_NE(kernel::GetAxisOn(on), 0);
  EXPECT_EQ(on, 0);
  ASSERT_NE(kernel::ExecuteCode(setup, kCurrentTest, coff, nullptr, nullptr, nullptr), 0);
  ASSERT_NE(kernel::GetAxisOn(on), 0);
  EXPECT_EQ(on, 1);
  link.drive.FailFromCall(1, "No answer.");
  EXPECT_EQ(kernel::GetAxisOn(on), 0);
  EXPECT_EQ(on, 1) << "left as it was";
}

}  // namespace
