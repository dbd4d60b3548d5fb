#include "kernel/setup_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>

#include "kernel/errors.h"
#include "setup_file_testing.h"
#include "unittests/support/environment.h"
#include "unittests/support/kernel_errors.h"

namespace {

namespace fs = std::filesystem;
using setup_file_testing::RichDocument;
using setup_file_testing::SameBits;
using setup_file_testing::SameSetup;

std::unique_ptr<CVX_Setup> Load(std::string_view text) {
  kernel::SetupLoadResult result = kernel::ParseSetup(text);
  EXPECT_TRUE(result.ok()) << result.ErrorText();
  return std::move(result.setup);
}

TEST(SetupFileRoundTrip, RichDocumentReadsBackIdentical) {
  const auto first = Load(RichDocument());
  ASSERT_TRUE(first);
  const std::string text = kernel::SerializeSetup(*first);
  const auto second = Load(text);
  ASSERT_TRUE(second);
  EXPECT_TRUE(SameSetup(*first, *second));
  // Saving is a fixed point once the document is in the written form.
  EXPECT_EQ(kernel::SerializeSetup(*second), text);
}

TEST(SetupFileRoundTrip, LoadedSetupHoldsWhatTheDocumentSays) {
  const auto setup = Load(RichDocument());
  ASSERT_TRUE(setup);
  EXPECT_EQ(setup->GetFirmwareID(), "F900T");
  EXPECT_EQ(setup->GetIdentity().adcMaxValue, 4095);
  EXPECT_EQ(setup->GetIdentity().helpFile, "help/drive.chm");
  EXPECT_EQ(setup->GetSensorName(3), "SSI encoder");
  EXPECT_EQ(setup->GetFeedbackName(1), "Feedback #2");
  EXPECT_TRUE(setup->GetDLSensorsArray()[0].digitalReference);
  EXPECT_FALSE(setup->GetDLSensorsArray()[1].digitalReference);
  EXPECT_EQ(setup->GetSSIFreqList().kHz, (std::vector<int>{500, 1000, 2000}));
  EXPECT_EQ(setup->GetSSIFreqList().codes, (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(setup->GetIOPinFromPort(26), 4);
  EXPECT_EQ(setup->IsBrakePortEnable(25), 16);
  EXPECT_TRUE(setup->IsIOVX3PortInverted(26));

  // Numbers among the options keep the text they were written with.
  EXPECT_EQ(setup->GetOptionNoError("SSIMaxBits"), "32");
  EXPECT_EQ(setup->GetOptionNoError("Ratio"), "1.50");
  EXPECT_EQ(setup->GetOptionNoError("referencename"), "SCL ™");

  const CVX_Unit* rot = setup->FindUnit("rot");
  ASSERT_NE(rot, nullptr);
  EXPECT_EQ(rot->family, "rad");
  EXPECT_DOUBLE_EQ(rot->factor, 1.0 / (2.0 * std::numbers::pi));
  ASSERT_NE(setup->FindUnit("°F"), nullptr);
  EXPECT_DOUBLE_EQ(setup->FindUnit("°F")->FromBase(100.0), 212.0);
  ASSERT_EQ(setup->GetUnits().size(), 5u);
  EXPECT_EQ(setup->GetUnits()[2].base.name, "°C");

  const CVX_Variable* apos = setup->FindVariable("apos", 1);
  ASSERT_NE(apos, nullptr);
  EXPECT_EQ(apos->GetValueType(), kernel::ValueType::kInt32);
  EXPECT_EQ(apos->GetUnitName(), "rot");
  ASSERT_NE(setup->FindVariable("APOS", 2), nullptr);
  EXPECT_EQ(setup->FindVariable("APOS", 2)->GetUnitName(), "rad");

  // Index order is document order.
  const auto& parameters = setup->GetParameters();
  ASSERT_EQ(parameters.size(), 11u);
  EXPECT_EQ(parameters[0]->GetName(), "Kp_C_scl");
  EXPECT_EQ(parameters[10]->GetName(), "Négatif");
  for (size_t i = 0; i < parameters.size(); ++i) EXPECT_EQ(parameters[i]->GetIndex(), static_cast<int>(i));

  const CVX_Parameter* speed = setup->FindParameter("speed");
  EXPECT_TRUE(std::signbit(speed->GetValueInInternalUnit()));
  EXPECT_EQ(speed->GetUnitType(), "rad/s");
  EXPECT_EQ(speed->GetUnitName(), "rpm");
  EXPECT_EQ(speed->GetMinimum(), -1000.5);
  EXPECT_FALSE(speed->HasMaximum());
  EXPECT_EQ(setup->FindParameter("Position")->GetValueInInternalUnit(), 5e-324);
  EXPECT_EQ(setup->FindParameter("KPI")->GetValueType(), kernel::ValueType::kInt16);
  EXPECT_EQ(setup->FindParameter("SLPER")->GetValueInInternalUnit(), 4294967295.0);
  EXPECT_EQ(setup->FindParameter("SFTKPI")->GetDecimals(), 0);
  EXPECT_EQ(setup->FindParameter("Kp_C_scl")->GetDecimals(), 4);

  // A bare number: a dimensionless double without limits.
  const CVX_Parameter* plain = setup->FindParameter("Plain");
  EXPECT_EQ(plain->GetValueInInternalUnit(), 2.5);
  EXPECT_EQ(plain->GetValueType(), kernel::ValueType::kDouble);
  EXPECT_EQ(plain->GetUnitType(), "");
  EXPECT_FALSE(plain->HasMinimum());
  EXPECT_FALSE(plain->HasMaximum());
  EXPECT_EQ(plain->GetDecimals(), 3);

  EXPECT_EQ(setup->GetSimulationDocument(),
            R"({"motor":{"R":1.5,"L":[0.001,0.002]},"name":"bench","on":true,"none":null,"n":12})");
}

// Any double a parameter can hold must come back bit for bit, whatever its
// digits: random bit patterns over the whole finite range.
TEST(SetupFileRoundTrip, EveryFiniteDoubleSurvivesBitForBit) {
  CVX_Setup setup;
  setup.SetIdentity({"d", "f", "p", "u", 0, 1, ""});
  std::mt19937_64 random(20240611);
  std::vector<double> values = {0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
                                -1.7976931348623157e308, 0.1, 1.0 / 3.0, 9007199254740993.0, -9007199254740992.0};
  while (values.size() < 2000) {
    const double value = std::bit_cast<double>(random());
    if (std::isfinite(value)) values.push_back(value);
  }
  for (size_t i = 0; i < values.size(); ++i) {
    CVX_Parameter* parameter = setup.AddParameter("P" + std::to_string(i));
    ASSERT_NE(parameter, nullptr);
    parameter->InitInternal(values[i]);
    // Every other one as a limited object, to cover both written forms.
    if (i % 2 == 1) parameter->InitLimits(-std::fabs(values[i]), std::fabs(values[i]));
  }
  const auto loaded = Load(kernel::SerializeSetup(setup));
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(SameSetup(setup, *loaded));
}

TEST(SetupFileSave, WritesInternalValuesOnlyAndLeavesInfiniteLimitsOut) {
  const auto setup = Load(R"({"format": "drivesetup-setup", "version": 1,
    "drive": {"description": "", "firmware": "", "product": "", "userApplication": "", "e2romSize": 0,
              "adcMaxValue": 1},
    "parameters": {"Gain": {"value": 4, "min": 1, "decimals": 2}, "Plain": 2.5}})");
  ASSERT_TRUE(setup);
  const std::string text = kernel::SerializeSetup(*setup);
  EXPECT_EQ(text.find("\"value\""), std::string::npos);
  EXPECT_EQ(text.find("\"max\""), std::string::npos);
  EXPECT_NE(text.find(R"("Gain": {"internal": 4, "min": 1, "decimals": 2})"), std::string::npos) << text;
  EXPECT_NE(text.find(R"("Plain": 2.5)"), std::string::npos) << text;
}

TEST(SetupFileSave, FileReadsBackAndReplacesTheOldOneKeepingItsMode) {
  testsupport::TempDir dir;
  const std::string path = (dir.path() / "axis.json").string();
  const auto setup = Load(RichDocument());
  ASSERT_TRUE(setup);
  ASSERT_EQ(kernel::SaveSetupFile(*setup, path), "");
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);

  setup->SetParameterValueInInternalUnit("Plain", 99.0);
  ASSERT_EQ(kernel::SaveSetupFile(*setup, path), "");
  const kernel::SetupLoadResult loaded = kernel::LoadSetupFile(path);
  ASSERT_TRUE(loaded.ok()) << loaded.ErrorText();
  EXPECT_TRUE(SameSetup(*setup, *loaded.setup));
  EXPECT_EQ(loaded.setup->GetParameterValueInInternalUnit("Plain"), 99.0);

  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"axis.json"});
}

TEST(SetupFileSave, MissingDirectoryFailsAndLeavesNothingBehind) {
  testsupport::TempDir dir;
  const fs::path missing = dir.path() / "no_such_dir";
  const auto setup = Load(RichDocument());
  ASSERT_TRUE(setup);
  const std::string cause = kernel::SaveSetupFile(*setup, (missing / "axis.json").string());
  EXPECT_NE(cause.find("No such file or directory"), std::string::npos) << cause;
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_TRUE(dir.Entries().empty());
}

TEST(SetupFileSave, FailedRenameRemovesTheTemporaryFile) {
  testsupport::TempDir dir;
  // A non-empty directory cannot be replaced by a file.
  const fs::path target = dir.path() / "taken";
  fs::create_directories(target / "inside");
  const auto setup = Load(RichDocument());
  ASSERT_TRUE(setup);
  const std::string cause = kernel::SaveSetupFile(*setup, target.string());
  EXPECT_NE(cause.find("cannot replace"), std::string::npos) << cause;
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"taken"});
}

TEST(SetupFileSave, RefusesASetupThatWouldNotLoadAgain) {
  testsupport::TempDir dir;
  const std::string path = (dir.path() / "axis.json").string();
  CVX_Setup setup;  // no converter count: a drive with it cannot exist
  std::string cause = kernel::SaveSetupFile(setup, path);
  EXPECT_NE(cause.find("drive.adcMaxValue"), std::string::npos) << cause;

  setup.SetIdentity({"d", "f", "p", "u", 0, 4095, ""});
  setup.SetSimulationDocument("{\"broken\": ");
  cause = kernel::SaveSetupFile(setup, path);
  EXPECT_NE(cause.find("simulation"), std::string::npos) << cause;
  EXPECT_TRUE(dir.Entries().empty());

  // The text-only save still reports what it cannot write.
  testsupport::ErrorCapture shown;
  kernel::SerializeSetup(setup);
  ASSERT_EQ(shown.errors.size(), 1u);
  EXPECT_NE(shown.errors[0].find("simulation"), std::string::npos);
}

TEST(SetupFileLoad, UnreadableFileNamesItsCause) {
  testsupport::TempDir dir;
  kernel::SetupLoadResult result = kernel::LoadSetupFile((dir.path() / "absent.json").string());
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.ErrorText(), "No such file or directory");
  result = kernel::LoadSetupFile(dir.path().string());
  EXPECT_EQ(result.ErrorText(), "a directory, not a file");
}

}  // namespace
