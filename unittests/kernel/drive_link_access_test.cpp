#include <gtest/gtest.h>

#include <string>

#include "drive_link_fake.h"
#include "kernel/coff_format.h"
#include "kernel/comm.h"
#include "kernel/drive_link.h"
#include "kernel/logger.h"
#include "kernel/program_run.h"
#include "kernel/setup.h"
#include "unittests/support/kernel_errors.h"
#include "unittests/support/setup_builder.h"

namespace {

using kernel::ValueType;

CVX_Variable* AddVariable(CVX_Setup& setup, const char* name, ValueType type, int axis = 1) {
  CVX_Variable* v = setup.AddVariable(name, axis);
  v->InitType(type);
  return v;
}

TEST(DriveVariables, ReadFromChipKeepsWhatTheDriveSent) {
  FakeDriveInstalled link;
  CVX_Setup setup;
  CVX_Variable* mer = AddVariable(setup, "MER", ValueType::kUInt16);
  CVX_Variable* apos = AddVariable(setup, "APOS_MT", ValueType::kInt32, 2);
  link.drive.variables[FakeDrive::VariableKey("mer", 1)] = 0x8002;
  link.drive.variables[FakeDrive::VariableKey("APOS_MT", 2)] = -123456;

  ASSERT_NE(mer->ReadFromChip(), 0);
  ASSERT_NE(apos->ReadFromChip(), 0);
  EXPECT_EQ(mer->GetValueInInternalUnit(), 0x8002);
  EXPECT_EQ(apos->GetValueInInternalUnit(), -123456) << "read on its own axis";
  EXPECT_EQ(link.drive.calls.readVariable, 2);
  EXPECT_STREQ(CVX_Comm::GetLastErrorText(), "");
}

TEST(DriveVariables, FailuresFromTheNthCallOnKeepOldValuesAndLeaveTheLinkText) {
  FakeDriveInstalled link;
  CVX_Setup setup;
  CVX_Variable* mer = AddVariable(setup, "MER", ValueType::kUInt16);
  CVX_Variable* missing = AddVariable(setup, "CAPPOS", ValueType::kInt32);
  link.drive.variables[FakeDrive::VariableKey("MER", 1)] = 8;

  EXPECT_EQ(missing->ReadFromChip(), 0) << "a variable the drive lacks";
  EXPECT_STREQ(CVX_Comm::GetLastErrorText(), "The drive has no variable \"CAPPOS\".");

  link.drive.FailFromCall(2, "The drive does not answer.");
  ASSERT_NE(mer->ReadFromChip(), 0);
  link.drive.variables[FakeDrive::VariableKey("MER", 1)] = 2;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(mer->ReadFromChip(), 0);
    EXPECT_EQ(mer->GetValueInInternalUnit(), 8) << "a failed read keeps the value read before";
  }
  EXPECT_STREQ(CVX_Comm::GetLastErrorText(), "The drive does not answer.");
  CVX_Variable* var_i2 = AddVariable(setup, "var_i2", ValueType::kInt16);
  var_i2->SetValueInInternalUnit(1);
  EXPECT_EQ(kernel::WriteVariableToChip(*var_i2), 0) << "every later call fails too";
  EXPECT_EQ(link.drive.calls.total, 6);
}

TEST(DriveVariables, WriteVariableToChipSendsTheInternalValue) {
  FakeDriveInstalled link;
  CVX_Setup setup;
  CVX_Variable* status = AddVariable(setup, "VAR_STATUS", ValueType::kInt16);
  status->SetValueInInternalUnit(10);
  ASSERT_NE(kernel::WriteVariableToChip(*status), 0);
  EXPECT_EQ(link.drive.variables[FakeDrive::VariableKey("VAR_STATUS", 1)], 10);
}

TEST(DriveRegisters, WriteToChipSendsARegisterAndRefusesOtherParameters) {
  FakeDriveInstalled link;
  CVX_Setup setup;
  CVX_Parameter* kpi = testsupport::AddParameter(setup, "KPI", -1200, ValueType::kInt16);
  CVX_Parameter* vdc = testsupport::AddParameter(setup, "Vdc", 48.0, ValueType::kDouble);

  ASSERT_NE(kpi->WriteToChip(), 0);
  EXPECT_EQ(link.drive.registers["kpi"], -1200);
  EXPECT_EQ(vdc->WriteToChip(), 0);
  EXPECT_EQ(link.drive.calls.writeRegister, 1) << "a user value never reaches the drive";
  EXPECT_NE(std::string(CVX_Comm::GetLastErrorText()).find("\"Vdc\" is not a drive register"), std::string::npos);
}

TEST(DriveRegisters, TheDownloadHoldsEveryIntegerParameterInSetupOrder) {
  FakeDriveInstalled link;
  CVX_Setup setup;
  testsupport::AddParameter(setup, "PWMPER", 1500, ValueType::kUInt16);
  testsupport::AddParameter(setup, "R", 2.5, ValueType::kDouble);
  testsupport::AddParameter(setup, "ZAOFF", 4000000000.0, ValueType::kUInt32);
  testsupport::AddParameter(setup, "Ts_S", 1e-3, ValueType::kDerived);
  testsupport::AddParameter(setup, "ERRMAXL", -70000, ValueType::kInt32);
  testsupport::AddParameter(setup, "DSP_freq", 8e7, ValueType::kConstant);
  testsupport::AddParameter(setup, "KPS", 300, ValueType::kInt16);

  const std::vector<kernel::RegisterValue> registers = kernel::CollectRegisters(setup);
  ASSERT_EQ(registers.size(), 4u);
  EXPECT_EQ(registers[0].name, "PWMPER");
  EXPECT_EQ(registers[1].name, "ZAOFF");
  EXPECT_EQ(registers[1].value, 4000000000LL);
  EXPECT_EQ(registers[1].type, ValueType::kUInt32);
  EXPECT_EQ(registers[2].value, -70000);
  EXPECT_EQ(registers[3].name, "KPS");

  ASSERT_NE(kernel::DownloadRegisters(setup), 0);
  EXPECT_EQ(link.drive.downloaded.size(), 4u);
}

TEST(DriveCommands, CommandTextAndBoardResetReachTheDrive) {
  FakeDriveInstalled link;
  CVX_Setup setup;
  ASSERT_NE(setup.ExecuteString("DISCAPI;!CAP;ENCAPI1;"), 0);
  ASSERT_EQ(link.drive.commands.size(), 1u);
  EXPECT_EQ(link.drive.commands[0], "DISCAPI;!CAP;ENCAPI1;");
  link.drive.axisOn = true;
  ASSERT_NE(CVX_Comm::ResetActiveBoard(), 0);
  EXPECT_FALSE(link.drive.axisOn);

  link.drive.FailFromCall(1, "Checksum error.");
  EXPECT_EQ(setup.ExecuteString("!CAP;"), 0);
  EXPECT_EQ(CVX_Comm::ResetActiveBoard(), 0);
  EXPECT_STREQ(CVX_Comm::GetLastErrorText(), "Checksum error.");
}

TEST(NoDrive, EveryCallFailsWithTheConnectionText) {
  ASSERT_FALSE(kernel::HasActiveDrive());
  testsupport::ErrorCapture errors;
  CVX_Setup setup;
  CVX_Variable* mer = AddVariable(setup, "MER", ValueType::kUInt16);
  CVX_Parameter* kpi = testsupport::AddParameter(setup, "KPI", 5, ValueType::kInt16);
  const auto expectNoDrive = [](int result, const char* what) {
    EXPECT_EQ(result, 0) << what;
    EXPECT_STREQ(CVX_Comm::GetLastErrorText(), "No drive is connected.") << what;
    CVX_Comm::SetLastErrorText("");
  };

  expectNoDrive(mer->ReadFromChip(), "ReadFromChip");
  expectNoDrive(kpi->WriteToChip(), "WriteToChip");
  expectNoDrive(kernel::WriteVariableToChip(*mer), "WriteVariableToChip");
  expectNoDrive(setup.ExecuteString("!CAP;"), "ExecuteString");
  expectNoDrive(CVX_Comm::ResetActiveBoard(), "ResetActiveBoard");
  int on = 7;
  expectNoDrive(kernel::GetAxisOn(on), "GetAxisOn");
  EXPECT_EQ(on, 7);

  CVX_CoffFormat coff(kernel::GetOutPathName("VDC_Detection_Test"));
  ASSERT_NE(coff.ReadCoff(), 0) << coff.GetErrorText();
  expectNoDrive(kernel::ExecuteCode(setup, "VDC_Detection_Test", coff, nullptr, nullptr, nullptr), "ExecuteCode");
  std::string text;
  double value = 0;
  expectNoDrive(kernel::GetUserVariableValue(coff, "STARTED", value, text), "GetUserVariableValue");
  EXPECT_EQ(text, "No drive is connected.");
  EXPECT_EQ(CVX_Comm::DispatchUnsolicitedFrames(), 0);
  EXPECT_TRUE(errors.errors.empty()) << "link failures are the test's to show";
}

}  // namespace
