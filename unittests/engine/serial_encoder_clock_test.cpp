#include "engine/serial_encoder_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "feedback_sensors_test_setup.h"

namespace {

using fbtest::Set;
using fbtest::Value;

constexpr double kProcessor_Hz = 60000000.0;

// Fast loop 100 us, less 1/60 us, transfer 2 us, guard 4 us and `compute_us`.
double FloorFor(double compute_us) {
  return std::ceil(25.0 / (100e-6 - 1.0 / kProcessor_Hz - 6e-6 - compute_us * 1e-6));
}

void ComputeReadOut(CVX_Setup& setup) {
  for (auto compute : {engine::ComputeSSIBR, engine::ComputeSPICLKMODE, engine::ComputeAEI_CLKDIV,
                       engine::ComputeAEI_PER, engine::ComputeAEI_CMPTIME})
    ASSERT_EQ(compute(setup), 1);
}

// ----- the listed rate of a divided clock -----

TEST(ListedClock, SingleEntryWhateverTheRate) {
  const std::vector<int> one{1000};
  for (double rate : {1.0, 1e6, 7.5e6}) EXPECT_EQ(engine::ListedClock(one, rate), 1e6);
}

TEST(ListedClock, ExactEntryNearerNeighbourLowerOnTie) {
  const std::vector<int> kHz{1000, 2000, 2500, 4000, 5000, 8000, 10000};
  EXPECT_EQ(engine::ListedClock(kHz, 2.5e6), 2.5e6);
  EXPECT_EQ(engine::ListedClock(kHz, 1.5e6), 1e6);   // halfway
  EXPECT_EQ(engine::ListedClock(kHz, 7.5e6), 8e6);   // 60 MHz / 8: an 8 MHz divider rounds up
  EXPECT_EQ(engine::ListedClock(kHz, 4.1e6), 4e6);
  EXPECT_EQ(engine::ListedClock(kHz, 10e6), 10e6);
}

TEST(ListedClock, OutsideTheListTakesTheFirstEntry) {
  const std::vector<int> kHz{1000, 2000, 5000};
  EXPECT_EQ(engine::ListedClock(kHz, 20e6), 1e6);
  EXPECT_EQ(engine::ListedClock(kHz, 0.5e6), 1e6);
  EXPECT_FALSE(engine::ListedClock({}, 1e6));
}

TEST(ClockMode, CodeOfTheMatchingEntryElseTwo) {
  EXPECT_EQ(engine::ClockModeFor(fbtest::kBissList, 8e6), 4);
  EXPECT_EQ(engine::ClockModeFor(fbtest::kSsiList, 500e3), 0);
  EXPECT_EQ(engine::ClockModeFor(fbtest::kSsiList, 1.2e6), 2);
  EXPECT_EQ(engine::ClockModeFor({}, 1e6), 2);
  EXPECT_FALSE(engine::ClockModeFor({{1000, 2000}, {1}}, 1e6));
}

// ----- the lowest bit rate -----

TEST(SerialClockFloor, ReadOutFitsIntoTheFastLoop) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  const auto floor = engine::MinimumSerialClock(setup);
  ASSERT_TRUE(floor);
  EXPECT_TRUE(floor->reachable);
  EXPECT_EQ(floor->rate_Hz, FloorFor(20));  // about 338 kHz
}

TEST(SerialClockFloor, UnreachableWhenFixedPartsFillThePeriod) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "AEI_ComputeTime", 98e-6);
  EXPECT_FALSE(engine::MinimumSerialClock(setup)->reachable);
  // Exactly zero time left: period 2 s, clock tick 1 s, 0.5 + 0.25 + 0.25 s.
  CVX_Setup exact;
  testsupport::AddParameters(exact, {{"DSP_freq", 1}, {"PWMPER", 1}, {"CLPER", 1}, {"AEI_ReadTime1Mhz", 1},
                                    {"AEI_TransferTime", 0.5}, {"AEI_GuardTime", 0.25}, {"AEI_ComputeTime", 0.25}});
  const auto floor = engine::MinimumSerialClock(exact);
  ASSERT_TRUE(floor);
  EXPECT_FALSE(floor->reachable);
  EXPECT_EQ(engine::RaiseToFloor(1e6, *floor), 1e6);
}

TEST(SerialClockFloor, SourceFallsBackToSixtyMegahertz) {
  CVX_Setup setup;
  EXPECT_EQ(engine::SerialClockSource(setup), 60e6);
  testsupport::AddParameter(setup, "DSP_freq", 40e6);
  EXPECT_EQ(engine::SerialClockSource(setup), 40e6);
  testsupport::AddParameter(setup, "DSP2_freq", 48e6);
  EXPECT_EQ(engine::SerialClockSource(setup), 48e6);
  Set(setup, "DSP2_freq", 0);
  EXPECT_FALSE(engine::SerialClockSource(setup));
}

// ----- divider and its recovery -----

TEST(SerialBitRate, DividesTheSourceClock) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  ComputeReadOut(setup);
  EXPECT_EQ(Value(setup, "SSIBR"), 29);
  EXPECT_EQ(Value(setup, "SPICLKMODE"), 1);
  testsupport::AddParameter(setup, "DSP2_freq", 48e6);
  engine::ComputeSSIBR(setup);
  EXPECT_EQ(Value(setup, "SSIBR"), 23);
}

TEST(SerialBitRate, RaisedToTheFloor) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "AEI_ComputeTime", 76e-6);  // floor about 1.39 MHz
  Set(setup, "SSI_freq", 1e6);
  ComputeReadOut(setup);
  EXPECT_EQ(Value(setup, "SSIBR"), std::floor(kProcessor_Hz / FloorFor(76) - 1));  // 42, not 59
  // The clock mode is the chosen rate's, not the default of an unlisted one.
  EXPECT_EQ(Value(setup, "SPICLKMODE"), 1);
}

// Rounding the divider to the nearest could slow the clock below the floor,
// and the read-out would no longer fit into the loop period.
TEST(SerialBitRate, DividedClockNeverFallsBelowTheFloor) {
  for (double compute_us = 20; compute_us < 90; compute_us += 0.7) {
    SCOPED_TRACE(compute_us);
    CVX_Setup setup = fbtest::MakeFeedbackSetup();
    Set(setup, "AEI_ComputeTime", compute_us * 1e-6);
    const double floor_Hz = engine::MinimumSerialClock(setup)->rate_Hz;
    for (double rate : {250e3, floor_Hz, floor_Hz + 1000}) {
      Set(setup, "SSI_freq", rate);
      ASSERT_EQ(engine::ComputeSSIBR(setup), 1);
      EXPECT_GE(kProcessor_Hz / (Value(setup, "SSIBR") + 1), floor_Hz);
    }
  }
  // A rate well above the floor keeps the nearest divider.
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "SSI_freq", 1.3e6);  // 45.15 rounds to 45
  engine::ComputeSSIBR(setup);
  EXPECT_EQ(Value(setup, "SSIBR"), 45);
}

TEST(SerialBitRate, ZeroRateWithoutFloorWritesNothing) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "AEI_ComputeTime", 98e-6);
  Set(setup, "SSI_freq", 0);
  Set(setup, "SSIBR", 29);
  EXPECT_EQ(engine::ComputeSSIBR(setup), 0);
  EXPECT_EQ(Value(setup, "SSIBR"), 29);
}

TEST(SerialBitRate, RecoversTheListedRate) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 4);
  Set(setup, "SSI_freq", 8e6);
  engine::ComputeSSIBR(setup);
  EXPECT_EQ(Value(setup, "SSIBR"), 7);  // 6.5 rounded: 7.5 MHz
  Set(setup, "SSI_freq", 0);
  ASSERT_EQ(engine::RecoverSSI_freq(setup), 1);
  EXPECT_EQ(Value(setup, "SSI_freq"), 8e6);
}

TEST(SerialBitRate, SingleEntryListRecoversItsEntry) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  CVX_DriveCapabilities caps = setup.GetCapabilities();
  caps.ssiFrequencies = fbtest::List({{1500, 1}});
  setup.SetCapabilities(caps);
  for (double divider : {0.0, 29.0, 239.0}) {
    Set(setup, "SSIBR", divider);
    engine::RecoverSSI_freq(setup);
    EXPECT_EQ(Value(setup, "SSI_freq"), 1.5e6);
  }
}

// A rate below the floor is raised for the drive; the divided clock read back
// is the nearer listed rate, which the next computation gives the drive and
// which reads back unchanged from then on.
TEST(SerialBitRate, RaisedRateSettlesOnTheNearerListedRate) {
  struct Row {
    double compute_us;  // sets the floor
    double chosen_Hz;
    double firstDivider, listed_Hz, settledDivider;
  };
  const Row rows[] = {
      {39.6, 250e3, 129, 500e3, 119},  // floor about 460 kHz: 461.5 kHz lies nearer 500 kHz
      {76, 1e6, 42, 1.5e6, 39},        // floor about 1.39 MHz: 1.395 MHz lies nearer 1.5 MHz
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.compute_us);
    CVX_Setup setup = fbtest::MakeFeedbackSetup();
    Set(setup, "AEI_ComputeTime", row.compute_us * 1e-6);
    Set(setup, "SSI_freq", row.chosen_Hz);
    ComputeReadOut(setup);
    EXPECT_EQ(Value(setup, "SSIBR"), row.firstDivider);
    EXPECT_EQ(Value(setup, "SPICLKMODE"), *engine::ClockModeFor(fbtest::kSsiList, row.chosen_Hz));
    ASSERT_EQ(engine::RecoverSSI_freq(setup), 1);
    EXPECT_EQ(Value(setup, "SSI_freq"), row.listed_Hz);
    for (int trip = 0; trip < 2; ++trip) {
      ComputeReadOut(setup);
      EXPECT_EQ(Value(setup, "SSIBR"), row.settledDivider);
      EXPECT_EQ(Value(setup, "SPICLKMODE"), *engine::ClockModeFor(fbtest::kSsiList, row.listed_Hz));
      engine::RecoverSSI_freq(setup);
      EXPECT_EQ(Value(setup, "SSI_freq"), row.listed_Hz);
    }
  }
}

TEST(SerialBitRate, ListedRateBelowTheFloorIsRaised) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "CLPER", 1);  // 50 us: floor about 1.04 MHz
  Set(setup, "SSIBR", 59);  // 1 MHz
  engine::RecoverSSI_freq(setup);
  EXPECT_EQ(Value(setup, "SSI_freq"), engine::MinimumSerialClock(setup)->rate_Hz);
}

TEST(SerialBitRate, UnequalListsChangeNothing) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  testsupport::AddParameter(setup, "SSI_freq", 1000, kernel::ValueType::kUInt16, "Hz");
  CVX_DriveCapabilities caps = setup.GetCapabilities();
  caps.ssiFrequencies.codes.pop_back();
  setup.SetCapabilities(caps);
  Set(setup, "SSIBR", 29);
  EXPECT_EQ(engine::RecoverSSI_freq(setup), 0);
  EXPECT_EQ(Value(setup, "SSI_freq"), 1000);
  EXPECT_EQ(setup.FindParameter("SSI_freq")->GetType(), 2);
  caps.ssiFrequencies = {};
  setup.SetCapabilities(caps);
  EXPECT_EQ(engine::RecoverSSI_freq(setup), 0);
}

TEST(SerialBitRate, OneWordParameterIsWidened) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  // Named with the other letter case: the kernel ignores it.
  testsupport::AddParameter(setup, "SSI_Freq", 1000, kernel::ValueType::kUInt16, "Hz");
  Set(setup, "SSIBR", 29);
  ASSERT_EQ(engine::RecoverSSI_freq(setup), 1);
  EXPECT_EQ(setup.FindParameter("SSI_freq")->GetType(), 4);
  EXPECT_EQ(Value(setup, "SSI_Freq"), 2e6);
}

TEST(SerialBitRate, LoadRateFromTheLoadList) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "LoadSensorType", 4);
  CVX_DriveCapabilities caps = setup.GetCapabilities();
  caps.bissFrequenciesLoad = fbtest::List({{3000, 2}});
  setup.SetCapabilities(caps);
  ASSERT_EQ(engine::RecoverSSI_freq_LD(setup), 1);
  EXPECT_EQ(Value(setup, "SSI_freq_LD"), 3e6);
}

// ----- read-out timing -----

TEST(ReadOutTiming, MotorSensorInTheFastLoop) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  ComputeReadOut(setup);
  EXPECT_EQ(Value(setup, "AEI_CLKDIV"), 0);
  EXPECT_EQ(Value(setup, "AEI_PER"), 5999);
  // 100 us - 2 - 4 - (20 + 12.5 us read at 2 MHz) = 61.5 us of 60 MHz ticks.
  EXPECT_EQ(Value(setup, "AEI_CMPTIME"), 3690);
}

TEST(ReadOutTiming, LoadSensorInTheSlowLoopAtItsOwnRate) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "MotorSensorType", 1);
  Set(setup, "LoadSensorType", 3);
  Set(setup, "SSI_freq_LD", 1e6);
  ComputeReadOut(setup);
  EXPECT_EQ(Value(setup, "AEI_PER"), 29999);
  // 500 us - 2 - 4 - (20 + 25 us read at 1 MHz) = 449 us: not at the motor's 2 MHz.
  EXPECT_EQ(Value(setup, "AEI_CMPTIME"), 26940);
}

TEST(ReadOutTiming, PrescalerFitsTheLoopIntoSixteenBits) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "LoadSensorType", 3);
  Set(setup, "SLPER", 256);  // 768000 ticks: 2^4 fits them into 48000
  ComputeReadOut(setup);
  EXPECT_EQ(Value(setup, "AEI_CLKDIV"), 4);
  EXPECT_EQ(Value(setup, "AEI_PER"), 47999);
  Set(setup, "PWMPER", 60000);
  engine::ComputeAEI_CLKDIV(setup);
  EXPECT_EQ(Value(setup, "AEI_CLKDIV"), 7);
  Set(setup, "PWMPER", 0);
  Set(setup, "AEI_CLKDIV", 3);
  EXPECT_EQ(engine::ComputeAEI_CLKDIV(setup), 0);
  EXPECT_EQ(Value(setup, "AEI_CLKDIV"), 3);
}

TEST(ReadOutTiming, CompareTimeAtLeastOne) {
  CVX_Setup setup = fbtest::MakeFeedbackSetup();
  Set(setup, "AEI_ComputeTime", 98e-6);
  ComputeReadOut(setup);
  EXPECT_EQ(Value(setup, "AEI_CMPTIME"), 1);
}

}  // namespace
