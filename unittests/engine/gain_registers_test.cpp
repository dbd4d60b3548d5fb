#include "engine/gain_registers.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "engine/encodings.h"
#include "kernel/probe.h"
#include "kernel/setup.h"
#include "unittests/support/setup_builder.h"

namespace engine {
namespace {

using kernel::ValueType;

using testsupport::AddParameter;
using testsupport::Base;

// The gain and filter registers are signed 16-bit words.
CVX_Parameter* AddRegister(CVX_Setup& setup, std::string_view name, double value = 0,
                           ValueType type = ValueType::kInt16) {
  return testsupport::AddRegister(setup, name, value, type);
}

void AddGainRow(CVX_Setup& setup, const ScaledGainRow& row, double x = 0) {
  AddParameter(setup, row.user, x);
  AddRegister(setup, row.mantissa);
  AddRegister(setup, row.shift);
}

// "PWMPER" 1500 at 60 MHz is 20 kHz PWM; each divider step adds 50 us.
void AddTiming(CVX_Setup& setup, double clper = 2, double slper = 16, double pwmper = 1500) {
  AddParameter(setup, "DSP_freq", 60e6, ValueType::kConstant);
  AddRegister(setup, "PWMPER", pwmper);
  AddRegister(setup, "CLPER", clper);
  AddRegister(setup, "SLPER", slper);
}

// ----- scaled gains -----

TEST(ScaledGain, EdgeValuesAfterTheRegistersRound) {
  struct Case {
    double x, kpi, sftkpi;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{0.5, 16384, 0}, Case{1, 32767, 0}, Case{1.5, 24575, 1}, Case{2, 32767, 1},
                        Case{3, 24575, 2}, Case{16384, 32767, 14}}) {
    CVX_Setup setup;
    AddGainRow(setup, kScaledGains[kGainKpC], c.x);
    EXPECT_EQ(ComputeSFTKPI(setup), 1);
    EXPECT_EQ(ComputeKPI(setup), 1);
    EXPECT_EQ(Base(setup, "KPI"), c.kpi) << c.x;
    EXPECT_EQ(Base(setup, "SFTKPI"), c.sftkpi) << c.x;
  }
}

TEST(ScaledGain, RecoveryShowsTheQuantisedGainWithinTheEncodableRange) {
  CVX_Setup setup;
  AddGainRow(setup, kScaledGains[kGainKpC], 3);
  setup.FindParameter("KPI")->InitInternal(24575);
  setup.FindParameter("SFTKPI")->InitInternal(2);
  EXPECT_EQ(RecoverKp_C_scl(setup), 1);
  EXPECT_NEAR(Base(setup, "Kp_C_scl"), 2.99997, 5e-6);
  EXPECT_EQ(setup.FindParameter("Kp_C_scl")->GetMinimum(), 0);
  EXPECT_EQ(setup.FindParameter("Kp_C_scl")->GetMaximum(), 16384);

  // A shift beyond what the user range needs is clipped to its maximum.
  setup.FindParameter("KPI")->InitInternal(32767);
  setup.FindParameter("SFTKPI")->InitInternal(15);
  EXPECT_EQ(RecoverKp_C_scl(setup), 1);
  EXPECT_EQ(Base(setup, "Kp_C_scl"), 16384);
}

TEST(ScaledGain, MantissaDoesNotNeedTheShiftRegister) {
  CVX_Setup setup;
  AddParameter(setup, "Ki_C_scl", 3);
  AddRegister(setup, "KII");
  EXPECT_EQ(ComputeSFTKII(setup), 0);
  EXPECT_EQ(ComputeKII(setup), 1);
  EXPECT_EQ(Base(setup, "KII"), 24575);
  EXPECT_EQ(RecoverKi_C_scl(setup), 0);
  EXPECT_EQ(Base(setup, "Ki_C_scl"), 3);
  EXPECT_FALSE(setup.FindParameter("Ki_C_scl")->HasMaximum());
}

struct NamedGain {
  std::function<int(CVX_Setup&)> shift, mantissa, recover;
  ScaledGainIndex row;
};

const NamedGain kNamedGains[] = {
    {ComputeSFTKPI, ComputeKPI, RecoverKp_C_scl, kGainKpC},
    {ComputeSFTKII, ComputeKII, RecoverKi_C_scl, kGainKiC},
    {ComputeSFTKPS, ComputeKPS, RecoverKp_S_scl, kGainKpS},
    {ComputeSFTKIS, ComputeKIS, RecoverKi_S_scl, kGainKiS},
    {ComputeSFTKPP, ComputeKPP, RecoverKp_P_scl, kGainKpP},
    {ComputeSFTKIP, ComputeKIP, RecoverKi_P_scl, kGainKiP},
    {ComputeSFTKDP, ComputeKDP, RecoverKd_P_scl, kGainKdP},
    {ComputeSFTSFFW, ComputeKFFS, RecoverKFFS_scl, kGainKffS},
    {ComputeSFTKPTHT, ComputeKPTHT, RecoverKp_T_scl, kGainKpT},
    {ComputeSFTKITHT, ComputeKITHT, RecoverKi_T_scl, kGainKiT},
};

std::vector<double> GainSweep(double top) {
  std::vector<double> xs{0, 1, 2, top};
  for (double x = 1e-5; x < top; x *= 1.009) xs.push_back(x);
  for (double p = 1; p <= top; p *= 2) {
    xs.push_back(std::nextafter(p, 0.0));
    xs.push_back(p * (1 + 1e-6));
  }
  return xs;
}

// Every named trio works on its own row, and a recovered gain encodes to the
// very registers it came from, within half a mantissa step of the entry.
TEST(ScaledGain, EveryRowRoundTripsToTheSameRegisters) {
  for (const NamedGain& named : kNamedGains) {
    const ScaledGainRow& row = kScaledGains[named.row];
    CVX_Setup setup;
    AddGainRow(setup, row);
    for (double x : GainSweep(kScaledGainMax)) {
      setup.SetParameterValueInBaseUnit(row.user, x);
      ASSERT_EQ(named.shift(setup), 1) << row.user;
      ASSERT_EQ(named.mantissa(setup), 1) << row.user;
      const double mantissa = Base(setup, row.mantissa);
      const double shift = Base(setup, row.shift);
      ASSERT_EQ(named.recover(setup), 1) << row.user;
      const double recovered = Base(setup, row.user);
      EXPECT_LE(std::fabs(recovered - x), 0.5 * std::exp2(shift) / kFullScale * (1 + 1e-12)) << row.user << " " << x;
      named.shift(setup);
      named.mantissa(setup);
      EXPECT_EQ(Base(setup, row.mantissa), mantissa) << row.user << " " << x;
      EXPECT_EQ(Base(setup, row.shift), shift) << row.user << " " << x;
    }
  }
}

TEST(ScaledGain, RowsAreFoundByUserNameInAnyCase) {
  ASSERT_NE(FindScaledGain("kp_c_SCL"), nullptr);
  EXPECT_EQ(FindScaledGain("kp_c_SCL")->mantissa, "KPI");
  EXPECT_EQ(FindScaledGain("KFFS_scl")->shift, "SFTSFFW");
  EXPECT_EQ(FindScaledGain("KFFA_scl"), nullptr);
}

// ----- acceleration feed-forward -----

void AddAccelerationFeedForward(CVX_Setup& setup, double x = 0) {
  AddParameter(setup, "KFFA_scl", x);
  AddRegister(setup, "SFTAFFW");
  AddRegister(setup, "SFTKFF");
  AddRegister(setup, "KFFA");
}

int ComputeAccelerationFeedForward(CVX_Setup& setup) {
  return ComputeSFTAFFW(setup) & ComputeSFTKFF(setup) & ComputeKFFA(setup);
}

TEST(SplitShiftGain, AccelerationFeedForwardSpillsBeyondElevenShifts) {
  CVX_Setup setup;
  AddAccelerationFeedForward(setup, 5000);
  EXPECT_EQ(ComputeAccelerationFeedForward(setup), 1);
  EXPECT_EQ(Base(setup, "SFTAFFW"), 11);
  EXPECT_EQ(Base(setup, "SFTKFF"), 2);
  EXPECT_EQ(Base(setup, "KFFA"), 19999);  // 19999.39 after the register's rounding
  EXPECT_EQ(RecoverKFFA_scl(setup), 1);
  EXPECT_NEAR(Base(setup, "KFFA_scl"), 19999.0 * 8192 / 32767, 1e-9);
  EXPECT_EQ(setup.FindParameter("KFFA_scl")->GetMaximum(), kSplitShiftGainMax);
}

TEST(SplitShiftGain, RoundTripKeepsTheRegisters) {
  CVX_Setup setup;
  AddAccelerationFeedForward(setup);
  for (double x : GainSweep(kSplitShiftGainMax)) {
    setup.SetParameterValueInBaseUnit("KFFA_scl", x);
    ASSERT_EQ(ComputeAccelerationFeedForward(setup), 1);
    const double registers[] = {Base(setup, "SFTAFFW"), Base(setup, "SFTKFF"), Base(setup, "KFFA")};
    ASSERT_EQ(RecoverKFFA_scl(setup), 1);
    ComputeAccelerationFeedForward(setup);
    EXPECT_EQ(Base(setup, "SFTAFFW"), registers[0]) << x;
    EXPECT_EQ(Base(setup, "SFTKFF"), registers[1]) << x;
    EXPECT_EQ(Base(setup, "KFFA"), registers[2]) << x;
  }
}

// ----- derivative filter -----

TEST(Q15Fraction, DerivativeFilterRoundTrips) {
  CVX_Setup setup;
  AddParameter(setup, "filter_D", 0.5);
  AddRegister(setup, "KDFP");
  EXPECT_EQ(ComputeKDFP(setup), 1);
  EXPECT_EQ(Base(setup, "KDFP"), 16384);
  EXPECT_EQ(RecoverFilter_D(setup), 1);
  EXPECT_DOUBLE_EQ(Base(setup, "filter_D"), 16384.0 / 32767);
  EXPECT_EQ(setup.FindParameter("filter_D")->GetMinimum(), 0);
  EXPECT_EQ(setup.FindParameter("filter_D")->GetMaximum(), 1);
}

// ----- first-order filters -----

void AddCurrentOutputFilter(CVX_Setup& setup, double enabled, double corner_rad_s) {
  AddRegister(setup, "FILTERQ");
  AddParameter(setup, "isUseFilterOnCrtCtrlOutput", enabled);
  AddParameter(setup, "FilterOnCurrentControllerOutput", corner_rad_s);
}

TEST(FirstOrderFilter, CurrentOutputCoefficientIsTruncated) {
  CVX_Setup setup;
  AddTiming(setup);  // 100 us
  AddCurrentOutputFilter(setup, 1, 1000);
  EXPECT_EQ(ComputeFILTERQ(setup), 1);
  EXPECT_EQ(Base(setup, "FILTERQ"), 3118);  // (1 - e^-0.1) * 32767 = 3118.08
  setup.SetParameterValueInBaseUnit("isUseFilterOnCrtCtrlOutput", 0);
  EXPECT_EQ(ComputeFILTERQ(setup), 1);
  EXPECT_EQ(Base(setup, "FILTERQ"), 32767);
}

TEST(FirstOrderFilter, OffRecoversTheDefaultCorner) {
  // 5000 rad/s is the upper limit at 100 us and clipped to it at 200 us.
  for (auto [clper, corner] : {std::pair{1.0, 5000.0}, std::pair{2.0, 5000.0}, std::pair{4.0, 2500.0}}) {
    CVX_Setup setup;
    AddTiming(setup, clper);
    AddCurrentOutputFilter(setup, 1, 1);
    setup.FindParameter("FILTERQ")->InitInternal(32767);
    EXPECT_EQ(RecoverIsUseFilterOnCrtCtrlOutput(setup), 1);
    EXPECT_EQ(RecoverFilterOnCurrentControllerOutput(setup), 1);
    EXPECT_EQ(Base(setup, "isUseFilterOnCrtCtrlOutput"), 0);
    EXPECT_DOUBLE_EQ(Base(setup, "FilterOnCurrentControllerOutput"), corner) << clper;
    EXPECT_DOUBLE_EQ(setup.FindParameter("FilterOnCurrentControllerOutput")->GetMaximum(), 5000 * 2 / clper);
  }
  CVX_Setup setup;
  AddTiming(setup);
  AddParameter(setup, "filter", 1);
  AddParameter(setup, "UseFilter", 1);
  AddRegister(setup, "FILTER1", 32767);
  EXPECT_EQ(RecoverUseFilter(setup), 1);
  EXPECT_EQ(RecoverFilter(setup), 1);
  EXPECT_EQ(Base(setup, "UseFilter"), 0);
  EXPECT_EQ(Base(setup, "filter"), 50);
}

// The count stored in "FILTERQ" survives recovery and computation for every
// count the corner's limits allow; above them the corner is clipped to the
// limit and the count to the limit's count.
TEST(FirstOrderFilter, EveryCurrentOutputCountSurvivesTheRoundTrip) {
  struct Timing {
    double pwmper, clper;
  };
  for (const Timing& t : {Timing{1500, 2}, Timing{1500, 1}, Timing{1500, 3}, Timing{1500, 4}, Timing{1875, 2}}) {
    CVX_Setup setup;
    AddTiming(setup, t.clper, 16, t.pwmper);
    AddCurrentOutputFilter(setup, 1, 0);
    const double period_s = 2 * t.clper * t.pwmper / 60e6;
    const double limitCount = std::trunc(FilterCoefficient(0.5 / period_s, period_s));
    int unstable = 0;
    for (int count = 0; count < 32767; ++count) {
      setup.SetParameterValueInBaseUnit("FILTERQ", count);
      ASSERT_EQ(RecoverFilterOnCurrentControllerOutput(setup), 1);
      ASSERT_EQ(ComputeFILTERQ(setup), 1);
      if (Base(setup, "FILTERQ") != std::min<double>(count, limitCount)) ++unstable;
    }
    EXPECT_EQ(unstable, 0) << "period " << period_s;
  }
}

TEST(FirstOrderFilter, EnteredCornersKeepTheirCount) {
  CVX_Setup setup;
  AddTiming(setup);
  AddCurrentOutputFilter(setup, 1, 0);
  for (double corner = 0.1; corner <= 5000; corner *= 1.003) {
    setup.SetParameterValueInBaseUnit("FilterOnCurrentControllerOutput", corner);
    ComputeFILTERQ(setup);
    const double count = Base(setup, "FILTERQ");
    RecoverFilterOnCurrentControllerOutput(setup);
    ComputeFILTERQ(setup);
    EXPECT_EQ(Base(setup, "FILTERQ"), count) << corner;
  }
}

TEST(FirstOrderFilter, AnalogueReferenceCoefficientIsNotRounded) {
  CVX_Setup setup;
  AddTiming(setup);  // slow loop 0.8 ms
  AddParameter(setup, "UseFilter", 1);
  AddParameter(setup, "filter", 50);
  AddParameter(setup, "FILTER1");  // a double register keeps the fraction
  EXPECT_EQ(ComputeFILTER1(setup), 1);
  EXPECT_DOUBLE_EQ(Base(setup, "FILTER1"), (1 - std::exp(-0.04)) * 32767);
  EXPECT_EQ(RecoverUseFilter(setup), 1);
  EXPECT_EQ(RecoverFilter(setup), 1);
  EXPECT_EQ(Base(setup, "UseFilter"), 1);
  EXPECT_NEAR(Base(setup, "filter"), 50, 1e-9);
  EXPECT_EQ(setup.FindParameter("filter")->GetMaximum(), 625);
}

TEST(FirstOrderFilter, EveryRoundedAnalogueCountSurvivesTheRoundTrip) {
  CVX_Setup setup;
  AddTiming(setup);
  AddParameter(setup, "UseFilter", 1);
  AddParameter(setup, "filter");
  AddRegister(setup, "FILTER1");
  const double period_s = 0.8e-3;
  const double limitCount = std::round(FilterCoefficient(0.5 / period_s, period_s));
  int unstable = 0;
  for (int count = 0; count < 32767; ++count) {
    setup.SetParameterValueInBaseUnit("FILTER1", count);
    ASSERT_EQ(RecoverFilter(setup), 1);
    ASSERT_EQ(ComputeFILTER1(setup), 1);
    if (Base(setup, "FILTER1") != std::min<double>(count, limitCount)) ++unstable;
  }
  EXPECT_EQ(unstable, 0);
}

// ----- step scale -----

void AddStepScale(CVX_Setup& setup, double microsteps) {
  AddParameter(setup, "NoMicroStepsPerStep", microsteps);
  AddRegister(setup, "SCL2H");
  AddRegister(setup, "SCL2L", 0, ValueType::kUInt16);
  AddRegister(setup, "SFTSCL1");
}

TEST(StepScale, WordsOfFourSlowDividersTimesPwmPeriodTimesMicrosteps) {
  struct Case {
    double slper, pwmper, microsteps, high, low;
  };
  for (const Case& c : {Case{1, 17500, 1, 1, 4464},  // 70000
                        Case{21, 1500, 256, 492, 12288}, Case{16, 1500, 256, 375, 0}, Case{16, 1500, 1, 1, 30464}}) {
    CVX_Setup setup;
    AddTiming(setup, 2, c.slper, c.pwmper);
    AddStepScale(setup, c.microsteps);
    EXPECT_EQ(ComputeSCL2H(setup), 1);
    EXPECT_EQ(ComputeSCL2L(setup), 1);
    EXPECT_EQ(Base(setup, "SCL2H"), c.high) << c.slper << " " << c.pwmper << " " << c.microsteps;
    EXPECT_EQ(Base(setup, "SCL2L"), c.low) << c.slper << " " << c.pwmper << " " << c.microsteps;
  }
}

TEST(StepScale, ExponentOfTheMicrostepCount) {
  for (auto [microsteps, exponent] : {std::pair{256.0, 2.0}, std::pair{1.0, 10.0}, std::pair{512.0, 1.0}}) {
    CVX_Setup setup;
    AddStepScale(setup, microsteps);
    EXPECT_EQ(ComputeSFTSCL1(setup), 1);
    EXPECT_EQ(Base(setup, "SFTSCL1"), exponent);
  }
}

TEST(StepScale, NoWriteForAZeroPeriodOrMicrostepCount) {
  CVX_Setup setup;
  AddTiming(setup, 2, 0);
  AddStepScale(setup, 0);
  setup.SetParameterValueInBaseUnit("SCL2H", 7);
  setup.SetParameterValueInBaseUnit("SFTSCL1", 7);
  EXPECT_EQ(ComputeSCL2H(setup), 0);
  EXPECT_EQ(ComputeSFTSCL1(setup), 0);
  EXPECT_EQ(Base(setup, "SCL2H"), 7);
  EXPECT_EQ(Base(setup, "SFTSCL1"), 7);
}

// ----- missing parameters -----

struct Needs {
  const char* what;
  std::function<int(CVX_Setup&)> run;
  std::vector<std::string> reads;
  std::string writes;
};

std::vector<Needs> AllFunctions() {
  const std::vector<std::string> fast{"DSP_freq", "PWMPER", "CLPER"};
  const std::vector<std::string> slow{"DSP_freq", "PWMPER", "SLPER"};
  auto with = [](std::vector<std::string> names, std::initializer_list<std::string> more) {
    names.insert(names.end(), more);
    return names;
  };
  std::vector<Needs> all;
  for (const ScaledGainRow& row : kScaledGains) {
    const std::string user(row.user), mantissa(row.mantissa), shift(row.shift);
    all.push_back({"shift", [&row](CVX_Setup& s) { return ComputeScaledGainShift(s, row); }, {user}, shift});
    all.push_back({"mantissa", [&row](CVX_Setup& s) { return ComputeScaledGainMantissa(s, row); }, {user}, mantissa});
    all.push_back({"gain", [&row](CVX_Setup& s) { return RecoverScaledGain(s, row); }, {mantissa, shift}, user});
  }
  all.push_back({"SFTAFFW", ComputeSFTAFFW, {"KFFA_scl"}, "SFTAFFW"});
  all.push_back({"SFTKFF", ComputeSFTKFF, {"KFFA_scl"}, "SFTKFF"});
  all.push_back({"KFFA", ComputeKFFA, {"KFFA_scl"}, "KFFA"});
  all.push_back({"KFFA_scl", RecoverKFFA_scl, {"KFFA", "SFTAFFW", "SFTKFF"}, "KFFA_scl"});
  all.push_back({"KDFP", ComputeKDFP, {"filter_D"}, "KDFP"});
  all.push_back({"filter_D", RecoverFilter_D, {"KDFP"}, "filter_D"});
  all.push_back({"KFFL", ComputeKFFL, {}, "KFFL"});
  all.push_back({"T1MAXPROT", ComputeT1MAXPROT, {}, "T1MAXPROT"});
  all.push_back({"FILTERQ", ComputeFILTERQ,
                 with(fast, {"isUseFilterOnCrtCtrlOutput", "FilterOnCurrentControllerOutput"}), "FILTERQ"});
  all.push_back({"isUse", RecoverIsUseFilterOnCrtCtrlOutput, {"FILTERQ"}, "isUseFilterOnCrtCtrlOutput"});
  all.push_back({"corner", RecoverFilterOnCurrentControllerOutput, with(fast, {"FILTERQ"}),
                 "FilterOnCurrentControllerOutput"});
  all.push_back({"FILTER1", ComputeFILTER1, with(slow, {"UseFilter", "filter"}), "FILTER1"});
  all.push_back({"UseFilter", RecoverUseFilter, {"FILTER1"}, "UseFilter"});
  all.push_back({"filter", RecoverFilter, with(slow, {"FILTER1"}), "filter"});
  all.push_back({"SCL2H", ComputeSCL2H, with(slow, {"NoMicroStepsPerStep"}), "SCL2H"});
  all.push_back({"SCL2L", ComputeSCL2L, with(slow, {"NoMicroStepsPerStep"}), "SCL2L"});
  all.push_back({"SFTSCL1", ComputeSFTSCL1, {"NoMicroStepsPerStep"}, "SFTSCL1"});
  return all;
}

// Every parameter any function reads or writes, with workable values; the
// targets hold 123 so that a write shows.
void BuildFullSetup(CVX_Setup& setup, std::string_view omit) {
  auto add = [&](std::string_view name, double value) {
    if (name != omit) AddParameter(setup, name, value);
  };
  add("DSP_freq", 60e6);
  add("PWMPER", 1500);
  add("CLPER", 2);
  add("SLPER", 16);
  for (const ScaledGainRow& row : kScaledGains) {
    add(row.user, 123);
    add(row.mantissa, 123);
    add(row.shift, 3);
  }
  for (const char* name : {"KFFA_scl", "KFFA", "SFTAFFW", "SFTKFF", "filter_D", "KDFP", "KFFL", "T1MAXPROT", "FILTERQ",
                           "FilterOnCurrentControllerOutput", "FILTER1", "filter", "SCL2H", "SCL2L", "SFTSCL1"})
    add(name, 123);
  add("isUseFilterOnCrtCtrlOutput", 1);
  add("UseFilter", 1);
  add("NoMicroStepsPerStep", 256);
}

TEST(RegisterFunctions, EachWritesNothingWhenAParameterItNeedsIsMissing) {
  for (const Needs& f : AllFunctions()) {
    {
      CVX_Setup setup;
      BuildFullSetup(setup, "");
      EXPECT_EQ(f.run(setup), 1) << f.what << " on a complete setup";
    }
    std::vector<std::string> needed = f.reads;
    needed.push_back(f.writes);
    for (const std::string& missing : needed) {
      CVX_Setup setup;
      BuildFullSetup(setup, missing);
      const CVX_Parameter* target = kernel::ProbeParameter(setup, f.writes);
      const double before = target ? target->GetValueInBaseUnit() : 0;
      EXPECT_EQ(f.run(setup), 0) << f.what << " without " << missing;
      if (target) {
        EXPECT_EQ(target->GetValueInBaseUnit(), before) << f.what << " without " << missing;
        EXPECT_FALSE(target->HasMinimum() || target->HasMaximum()) << f.what << " without " << missing;
      }
    }
  }
}

}  // namespace
}  // namespace engine
