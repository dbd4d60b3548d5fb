#include "dialogs/drive_info_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/setup_file.h"
#include "unittests/dialogs/dialog_test_support.h"

namespace {

using namespace driveinfo;
using platform::Expectation;

class DriveInfoTest : public dialogtest::DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    UseExample(dialogtest::kClosedLoopIncremental);
    RunOpenerSequences();
  }

  platform::ScriptRun Edit(platform::UserScript& script) {
    CDriveInfo dialog(setup.get());
    return Run(script, [&] { return dialog.DoModal(); });
  }
};

TEST_F(DriveInfoTest, ChordTogglesEditingOfTheDriveData) {
  platform::UserScript script;
  script.Expect(kNominalCurrentEdit, Expectation{.enabled = false})
      .Expect(kFirmwareEdit, Expectation{.enabled = false})
      .Expect(kOverVoltageEdit, Expectation{.enabled = false})
      .Expect(kOverVoltageUnit, Expectation{.visible = true, .enabled = true})
      .Chord(CDriveInfo::kEditChordLetter)
      .Expect(kNominalCurrentEdit, Expectation{.enabled = true})
      .Expect(kFirmwareEdit, Expectation{.enabled = true})
      .Expect(kOverVoltageEdit, Expectation{.enabled = true})
      .Chord(CDriveInfo::kEditChordLetter)
      .Expect(kNominalCurrentEdit, Expectation{.enabled = false})
      .Chord('X')  // any other letter does nothing
      .Expect(kNominalCurrentEdit, Expectation{.enabled = false})
      .Click(IDCANCEL);
  const platform::ScriptRun run = Edit(script);
  EXPECT_TRUE(run.ok) << run.failure;
}

// Over temperature needs the temperature sensor: switching the sensor off
// switches the protection off and greys out what belongs to both, which
// stays on view.
TEST_F(DriveInfoTest, NoTemperatureSensorMeansNoOverTemperatureProtection) {
  platform::UserScript script;
  script.Chord(CDriveInfo::kEditChordLetter)
      .Expect(kOverTemperatureCheck, Expectation{.checked = true})
      .Click(kTemperatureSensorCheck)
      .Expect(kOverTemperatureCheck, Expectation{.enabled = false, .checked = false})
      .Expect(kSensorGainUnit, Expectation{.visible = true, .enabled = false})
      .Expect(kSensorOffsetLabel, Expectation{.visible = true, .enabled = false})
      .Expect(kTemperatureLimitUnit, Expectation{.visible = true, .enabled = false})
      .Click(kI2tCheck)
      .Expect(kI2tTimeUnit, Expectation{.visible = true, .enabled = false})
      .Expect(kI2tCurrentLabel, Expectation{.visible = true, .enabled = false})
      .Click(IDOK);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(Base("isDriveTemperatureSensor"), 0.0);
  EXPECT_EQ(Base("isDriveOverTemp"), 0.0);
  EXPECT_EQ(Base("isDriveI2t"), 0.0);
}

TEST_F(DriveInfoTest, OkStoresTheEditedIdentity) {
  const std::string longId(50, '7');
  platform::UserScript script;
  script.Expect(kFirmwareEdit, Expectation{.text = "F2.14.3"})
      .Expect(kE2ROMSizeEdit, Expectation{.text = "32"})
      .Expect(kUserAppEdit, Expectation{.text = "0000", .enabled = true})
      .Chord(CDriveInfo::kEditChordLetter)
      .Type(kE2ROMSizeEdit, "16")
      .Type(kFirmwareEdit, "F3.0.1")
      .Type(kProductEdit, "SMD4805-X")
      .Type(kDescriptionEdit, "Bench drive")
      .Type(kUserAppEdit, longId)
      .Click(IDOK);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
  EXPECT_EQ(setup->GetE2ROMSize(), 16 * 1024);
  EXPECT_EQ(setup->GetFirmwareID(), "F3.0.1");
  EXPECT_EQ(setup->GetProductID(), "SMD4805-X");
  EXPECT_EQ(setup->GetDescription(), "Bench drive");
  EXPECT_EQ(setup->GetUserAppID(), longId.substr(0, kUserAppIdLength));
}

// A refused entry names its cause, writes nothing and leaves the dialog
// open for a correction.
TEST_F(DriveInfoTest, RefusedIdentityEntriesWriteNothing) {
  const std::string before = kernel::SerializeSetup(*setup);
  platform::UserScript script;
  script.Chord(CDriveInfo::kEditChordLetter)
      .Type(kDescriptionEdit, "Renamed")
      .Type(kFirmwareEdit, "")
      .Answer("Error setting the firmware ID!", IDOK)
      .Click(IDOK)
      .Call([&](CDialog&) { EXPECT_EQ(kernel::SerializeSetup(*setup), before); })
      .Type(kFirmwareEdit, "F2.14.3")
      .Type(kE2ROMSizeEdit, "32k")
      .Answer("The E2ROM size must be a whole number of Kwords.", IDOK)
      .Click(IDOK)
      .Call([&](CDialog&) { EXPECT_EQ(kernel::SerializeSetup(*setup), before); })
      .Click(IDCANCEL);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_EQ(kernel::SerializeSetup(*setup), before);
}

// 64 Kwords do not fit the six bits of the shown size field; a size nobody
// edited is kept as it is, to the byte.
TEST_F(DriveInfoTest, UneditedE2ROMSizeIsKept) {
  setup->SetE2ROMSize(65536 + 100);
  platform::UserScript script;
  script.Expect(kE2ROMSizeEdit, Expectation{.text = "64"}).Click(IDOK);
  ASSERT_TRUE(Edit(script).ok);
  EXPECT_EQ(setup->GetE2ROMSize(), 65536 + 100);
}

TEST_F(DriveInfoTest, CancelLeavesTheSetupAsItWas) {
  const std::string before = kernel::SerializeSetup(*setup);
  platform::UserScript script;
  script.Chord(CDriveInfo::kEditChordLetter)
      .Type(kNominalCurrentEdit, "2.5")
      .Click(kTemperatureSensorCheck)
      .Type(kProductEdit, "Other")
      .Click(IDCANCEL);
  const platform::ScriptRun run = Edit(script);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(kernel::SerializeSetup(*setup), before);
}

}  // namespace
