#include <gtest/gtest.h>

#include "engine/protections.h"
#include "protections_test_setup.h"
#include "unittests/support/example_setups.h"

namespace protectiontest {
namespace {

using namespace engine;

TEST_F(ProtectionTest, PositionErrorLimitInCountsAndBackWithinTheRegisterWidth) {
  EXPECT_EQ(ComputeERRMAX(setup_), 1);
  EXPECT_EQ(ComputeERRMAXL(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "ERRMAX"), 318);  // 0.5 rad * 4000 / 2 pi
  EXPECT_EQ(InternalOf(setup_, "ERRMAXL"), 318);
  SetInternal(setup_, "ERRMAXL", 100000);  // beyond what "ERRMAX" could hold
  EXPECT_EQ(RecoverERR_position(setup_), 1);
  EXPECT_NEAR(BaseOf(setup_, "ERR_position"), 100000 / kPositionScale, 1e-9);
  EXPECT_NEAR(setup_.FindParameter("ERR_position")->GetMaximum(), 2147483647 / kPositionScale, 1e-3);

  CVX_Setup shortOnly = ProtectedDrive(/*withLongError=*/false);
  SetInternal(shortOnly, "ERRMAX", 318);
  EXPECT_EQ(RecoverERR_position(shortOnly), 1);
  EXPECT_NEAR(BaseOf(shortOnly, "ERR_position"), 318 / kPositionScale, 1e-9);
  EXPECT_NEAR(shortOnly.FindParameter("ERR_position")->GetMaximum(), 32767 / kPositionScale, 1e-9);
}

TEST_F(ProtectionTest, DisabledProtectionsHoldTheSentinelThroughRoundTrips) {
  SetInternal(setup_, "isPositionControlError", 0);
  SetInternal(setup_, "isSpeedControlError", 0);
  for (int trip = 0; trip < 2; ++trip) {
    RoundTrip(setup_);
    EXPECT_EQ(InternalOf(setup_, "TERRMAX"), 65535);
    EXPECT_EQ(InternalOf(setup_, "TSERRMAX"), 65535);
    EXPECT_EQ(BaseOf(setup_, "isPositionControlError"), 0);
    EXPECT_EQ(BaseOf(setup_, "isSpeedControlError"), 0);
    // 65535 samples do not fit the times' range: they show its top.
    for (const char* time : {"time_ERR_pos", "time_ERR_spd"}) {
      EXPECT_NEAR(setup_.FindParameter(time)->GetMaximum(), 32767 * kTs, 1e-12) << time;
      EXPECT_NEAR(BaseOf(setup_, time), 32767 * kTs, 1e-12) << time;
    }
  }
  // Switched on again, the protections take the time shown.
  SetInternal(setup_, "isPositionControlError", 1);
  EXPECT_EQ(ComputeTERRMAX(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "TERRMAX"), 32767);
}

TEST_F(ProtectionTest, EnabledTimeNeverWritesTheDisabledCount) {
  SetBase(setup_, "time_ERR_pos", 65535 * kTs);
  SetBase(setup_, "time_ERR_spd", 65534.7 * kTs);
  EXPECT_EQ(ComputeTERRMAX(setup_), 1);
  EXPECT_EQ(ComputeTSERRMAX(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "TERRMAX"), 65534);
  EXPECT_EQ(InternalOf(setup_, "TSERRMAX"), 65534);
  EXPECT_EQ(RecoverIsPositionControlError(setup_), 1);
  EXPECT_EQ(RecoverIsSpeedControlError(setup_), 1);
  EXPECT_EQ(BaseOf(setup_, "isPositionControlError"), 1);
  EXPECT_EQ(BaseOf(setup_, "isSpeedControlError"), 1);
}

TEST_F(ProtectionTest, LoadCorrectionTakesOverThePositionErrorRegisters) {
  testsupport::AddParameter(setup_, "SOLmodeEncOnLoad", 1);
  testsupport::AddParameter(setup_, "No_encoder_lines_LD", 1000);
  SetInternal(setup_, "isPositionControlError", 0);
  EXPECT_EQ(ComputeERRMAX(setup_), 1);
  EXPECT_EQ(ComputeTERRMAX(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "ERRMAX"), 32);   // 0.05 rad * 4000 / 2 pi
  EXPECT_EQ(InternalOf(setup_, "TERRMAX"), 40);  // 20 ms, although the check is off

  SetInternal(setup_, "ERRMAXL", 100000);
  SetInternal(setup_, "TERRMAX", 65535);
  // Closed loop ("OSR" bit 10): nothing to recover.
  EXPECT_EQ(RecoverErrMaxUser(setup_), 1);
  EXPECT_NEAR(BaseOf(setup_, "ErrMaxUser"), 0.05, 1e-12);
  // Open loop, encoder on the load: the window within 16 bits of counts.
  SetInternal(setup_, "OSR", 0x0020);
  SetInternal(setup_, "LoadSensorType", 1);
  EXPECT_EQ(RecoverErrMaxUser(setup_), 1);
  EXPECT_NEAR(BaseOf(setup_, "ErrMaxUser"), 32767 / kPositionScale, 1e-9);
  EXPECT_EQ(RecoverTonPosOkUser(setup_), 1);
  EXPECT_NEAR(BaseOf(setup_, "TonPosOkUser"), 65535 * kTs, 1e-12);
  EXPECT_NEAR(setup_.FindParameter("TonPosOkUser")->GetMaximum(), 65535 * kTs, 1e-12);
}

TEST_F(ProtectionTest, SpeedErrorLimitInCountsPerSample) {
  EXPECT_EQ(ComputeSERRMAX(setup_), 1);
  EXPECT_EQ(ComputeTSERRMAX(setup_), 1);
  EXPECT_EQ(InternalOf(setup_, "SERRMAX"), 6);     // 20 rad/s * 0.318 counts per sample
  EXPECT_EQ(InternalOf(setup_, "TSERRMAX"), 100);  // 50 ms
  EXPECT_EQ(RecoverERR_speed(setup_), 1);
  EXPECT_NEAR(BaseOf(setup_, "ERR_speed"), 6 / kSpeedScale, 1e-9);
  EXPECT_EQ(setup_.FindParameter("ERR_speed")->GetMinimum(), 0.001);
  EXPECT_NEAR(setup_.FindParameter("ERR_speed")->GetMaximum(), 32767 / kSpeedScale, 1e-6);

  // So fine a sensor that 32767 counts per sample are below 0.001 rad/s: the
  // range starts at one count.
  testsupport::AddParameter(setup_, "MECRESL", 4e14);
  const double fine = 4e14 / 6.283185307179586 * kTs;
  EXPECT_EQ(RecoverERR_speed(setup_), 1);
  EXPECT_NEAR(setup_.FindParameter("ERR_speed")->GetMinimum(), 1 / fine, 1e-20);
}

TEST(ControlErrorRoundTrip, SecondRoundTripChangesNothing) {
  testsupport::ScopedEngineUnitScales scales;
  for (int position : {0, 1})
    for (int speed : {0, 1})
      for (int correction : {-1, 0, 1}) {
        CVX_Setup setup = ProtectedDrive();
        SetInternal(setup, "isPositionControlError", position);
        SetInternal(setup, "isSpeedControlError", speed);
        if (correction >= 0) testsupport::AddParameter(setup, "SOLmodeEncOnLoad", correction);
        RoundTrip(setup);
        const auto first = Snapshot(setup);
        RoundTrip(setup);
        EXPECT_EQ(Changes(first, Snapshot(setup)), "") << position << speed << correction;
      }
}

}  // namespace
}  // namespace protectiontest
