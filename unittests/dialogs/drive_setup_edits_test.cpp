#include <string>

#include "engine/motion_units.h"
#include "engine/step_units.h"
#include "kernel/units.h"
#include "unittests/dialogs/drive_setup_test_support.h"

namespace dialogtest {
namespace {

using namespace drivesetup;

constexpr COLORREF kWarningRed = 0x1400B4;

class DriveSetupEdits : public DriveSetupTest {};

TEST_F(DriveSetupEdits, MicrostepCountBecomesTheNearestPowerOfTwo) {
  struct Case {
    const char* typed;
    double kept;
    bool message;
  };
  for (const Case c : {Case{"6", 8, true}, Case{"5", 4, true}, Case{"12", 16, true}, Case{"0", 1, false},
                       Case{"32", 32, false}}) {
    SCOPED_TRACE(c.typed);
    UseExample(kOpenLoopLoadEncoder);
    platform::UserScript script;
    if (c.message) script.Answer(std::string(engine::kMicrostepPowerOfTwoMessage), IDOK);
    script.Type(kMicrostepsEdit, c.typed).Expect(kMicrostepsEdit, {.text = std::to_string(static_cast<int>(c.kept))});
    // The voltage-control speed gain and the microstep units follow the
    // count the drive uses, not the one typed, while the dialog is open.
    script.Call([&](CDialog&) {
      EXPECT_EQ(Base("NoMicroStepsPerStep"), c.kept);
      EXPECT_DOUBLE_EQ(Internal("KOMEGA"), 256.0 / c.kept * Internal("KOMEGA_test"));
      const CVX_Unit* steps = setup->FindUnit("steps");
      const CVX_Unit* microsteps = setup->FindUnit(engine::kMicrostepUnits[0]);
      ASSERT_TRUE(steps && microsteps);
      EXPECT_DOUBLE_EQ(microsteps->factor / steps->factor, c.kept);
    });
    script.Click(IDOK);
    ASSERT_EQ(RunDriveSetup(script), IDOK);
    EXPECT_EQ(Base("NoMicroStepsPerStep"), c.kept);
  }
}

TEST_F(DriveSetupEdits, DistancesOnTheShaftStayWhenTheMicrostepCountChanges) {
  UseExample(kOpenLoop);
  SetBase("isSWLS", 1);
  const double negative = Base("Negative_SWLS");
  const double positive = Base("Positive_SWLS");
  const double testPosition = Base("TestPosition");
  const double negativeCounts = Internal("Negative_SWLS");
  ASSERT_EQ(Base("NoMicroStepsPerStep"), 256);
  platform::UserScript script;
  std::string shownNegative;
  script.Call([&](CDialog& dialog) { shownNegative = dialog.GetDlgItemText(kNegativeLimitEdit); })
      .Type(kMicrostepsEdit, "8")
      .Call([&](CDialog& dialog) {
        EXPECT_EQ(dialog.GetDlgItemText(kNegativeLimitEdit), shownNegative);
        EXPECT_DOUBLE_EQ(Base("Negative_SWLS"), negative);
        EXPECT_DOUBLE_EQ(Base("Positive_SWLS"), positive);
        EXPECT_DOUBLE_EQ(Base("TestPosition"), testPosition);
      })
      // A count corrected to a power of two keeps them too.
      .Answer(std::string(engine::kMicrostepPowerOfTwoMessage), IDOK)
      .Type(kMicrostepsEdit, "6")
      .Call([&](CDialog&) {
        EXPECT_EQ(Base("NoMicroStepsPerStep"), 8);
        EXPECT_DOUBLE_EQ(Base("Negative_SWLS"), negative);
      })
      .Click(IDOK);
  ASSERT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_DOUBLE_EQ(Base("Negative_SWLS"), negative);
  EXPECT_DOUBLE_EQ(Base("Positive_SWLS"), positive);
  // The drive's limit register holds the same distance in the coarser steps.
  EXPECT_DOUBLE_EQ(Internal("SWNEGLS"), negativeCounts / 32);
}

TEST_F(DriveSetupEdits, SoftwareLimitBeingEditedIsPulledToTheOther) {
  UseExample(kClosedLoopIncremental);
  SetBase("isSWLS", 1);
  const double positive = Base("Positive_SWLS");
  const double negative = Base("Negative_SWLS");
  ASSERT_LT(negative, positive);
  platform::UserScript script;
  // Well past the other limit, in whatever unit the edits show.
  script.Type(kNegativeLimitEdit, "100000").Call([&](CDialog&) { EXPECT_DOUBLE_EQ(Base("Negative_SWLS"), positive); });
  script.Call([&](CDialog&) { SetBase("Negative_SWLS", negative); });
  script.Type(kPositiveLimitEdit, "-100000").Call([&](CDialog&) { EXPECT_DOUBLE_EQ(Base("Positive_SWLS"), negative); });
  script.Click(IDOK);
  EXPECT_EQ(RunDriveSetup(script), IDOK);
}

TEST_F(DriveSetupEdits, LeavingPositionControlSelectsTheAnalogueReferenceWithoutGearing) {
  UseExample(kClosedLoopIncremental);
  platform::UserScript script;
  script.Call([this](CDialog&) {
    for (const char* name : {"GEARMASTER", "GEARSLAVE", "isAnalogueReference"}) SetBase(name, 0);
  });
  script.Click(kPositionModeRadio).Call([this](CDialog&) { EXPECT_EQ(Base("GEARMASTER"), 0.0); });
  script.Click(kSpeedModeRadio)
      .Expect(kAnalogueReferenceRadio, {.checked = true})
      .Expect(kSpeedAccelerationFeedForwardEdit, {.visible = true})
      .Expect(kSpeedErrorCheck, {.enabled = true});
  script.Click(IDOK);
  ASSERT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_EQ(Base("ControlMode"), 1.0);
  for (const char* name : {"GEARMASTER", "GEARSLAVE", "isAnalogueReference"}) EXPECT_EQ(Base(name), 1.0) << name;
}

TEST_F(DriveSetupEdits, InputsTypeInvertsTheThreePolaritiesAtOnce) {
  UseExample(kOpenLoopLoadEncoder);
  const double enable = Base("EnablePolarity");
  const double plus = Base("LSPPolarity");
  const double minus = Base("LSNPolarity");
  platform::UserScript script;
  script.Expect(kFirstColumnCaption, {.text = "Active high (Open/No connection)"})
      .Click(kSinkPnpRadio)
      .Expect(kFirstColumnCaption, {.text = "Active high (Connected to +Vlog)"})
      .Expect(kSecondColumnCaption, {.text = "Active low (Open/No connection)"})
      .Call([&](CDialog&) {
        EXPECT_EQ(Base("EnablePolarity"), 1 - enable);
        EXPECT_EQ(Base("LSPPolarity"), 1 - plus);
        EXPECT_EQ(Base("LSNPolarity"), 1 - minus);
      })
      .Click(kSourceNpnRadio)
      .Expect(kSecondColumnCaption, {.text = "Active low (Connected to GND)"});
  script.Click(IDOK);
  ASSERT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_EQ(Base("EnablePolarity"), enable);
  EXPECT_EQ(Base("LSPPolarity"), plus);
  EXPECT_EQ(Base("LSNPolarity"), minus);
}

TEST_F(DriveSetupEdits, VoltageControlWarnsWhenItsDetectionPointIsLeft) {
  UseExample(kOpenLoopLoadEncoder);
  ASSERT_EQ(Base("SOL_controller_mode"), 1.0);
  const double vdc = Base("Vdc");
  {
    SCOPED_TRACE("supply");
    platform::UserScript script;
    script.Expect(kVoltageWarning, {.visible = false})
        .Expect(kCurrentGroup, {.text = "Voltage control parameters"})
        .Expect(kU0Edit, {.visible = true, .enabled = false})
        .Type(kVdcEdit, std::to_string(vdc + 0.99))
        .Expect(kVoltageWarning, {.visible = false})
        .Type(kVdcEdit, std::to_string(vdc - 1.0))
        .Expect(kVoltageWarning, {.visible = true, .color = kWarningRed})
        .Expect(kU0Edit, {.visible = false})
        .Expect(kKvEdit, {.visible = false})
        .Type(kVdcEdit, std::to_string(vdc))
        .Expect(kVoltageWarning, {.visible = false})
        .Click(IDCANCEL);
    EXPECT_EQ(RunDriveSetup(script), IDCANCEL);
  }
  {
    SCOPED_TRACE("run current");
    platform::UserScript script;
    script.Type(kRunCurrentEdit, "1.2")
        .Expect(kVoltageWarning, {.visible = true, .color = kWarningRed})
        .Expect(kVoltageBoostEdit, {.visible = false})
        .Click(IDCANCEL);
    EXPECT_EQ(RunDriveSetup(script), IDCANCEL);
  }
}

TEST_F(DriveSetupEdits, StandByCurrentNeverExceedsTheRunCurrent) {
  UseExample(kOpenLoop);
  ASSERT_GT(Base("StandByCurrent"), 0.3);
  platform::UserScript script;
  script.Type(kRunCurrentEdit, "0.3").Expect(kStandByCurrentEdit, {.text = "0.300"}).Type(kStandByCurrentEdit, "2");
  script.Click(IDOK);
  ASSERT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_NEAR(Base("RunCurrent"), 0.3, 5e-4);  // a converter count is 0.3 mA
  EXPECT_DOUBLE_EQ(Base("StandByCurrent"), Base("RunCurrent"));
}

TEST_F(DriveSetupEdits, AccelerationLimitSwitchedOnWithoutAValueStartsAtTenDriveUnits) {
  UseExample(kOpenLoopLoadEncoder);
  platform::UserScript script;
  script.Call([this](CDialog& dialog) {
    // Open loop with the position loop closed on a load encoder.
    SetBase("MotorSensorType", 0);
    SetBase("LoadSensorType", 1);
    SetBase("SOLmodeEncOnLoad", 0);
    SetBase("isLimitAcceleration", 0);
    SetBase("Limit_Acceleration", 0);
    dialog.UpdateData(FALSE);
  });
  script.Expect(kLimitAccelerationEdit, {.enabled = false})
      .Check(kLimitAccelerationCheck, true)
      .Expect(kLimitAccelerationEdit, {.visible = true, .enabled = true});
  script.Click(IDOK);
  ASSERT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_EQ(Base("isLimitAcceleration"), 1.0);
  EXPECT_GT(Base("Limit_Acceleration"), 0.0);
  EXPECT_NEAR(Internal("ACC_LIMIT"), 10.0, 1e-6);
}

}  // namespace
}  // namespace dialogtest
