// The voltage mode's parameters identification through its dialog, with the
// person answering whether the motor runs smoothly.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "commissioning/voltage_identification_test.h"
#include "kernel/coff_format.h"
#include "kernel/missing_value.h"
#include "kernel/program_run.h"
#include "kernel/setup.h"
#include "kernel/variable.h"
#include "kernel/ui/test_base_ids.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

constexpr std::string_view kVoltageModeExample = "open_loop_step_loss_encoder";
// A winding 20 % above the setup's R.
constexpr const char* kTruth = R"({"motor": {"R": 1.8}})";
// The two positionings take 0.5 s each; the motor run starts after them.
constexpr int kLineFound_ms = 1200;

class VoltageIdentificationSim : public commissioningtest::TestDialogTest {
 protected:
  // Plays `script` in the test, answering the question whether to keep
  // values with Yes; `before`: the setup as the dialog leaves it when it
  // keeps nothing (after its construction, which sets "ABSTART_MINMOVE" to 0
  // on purpose).
  platform::ScriptRun RunVoltageTest(platform::UserScript& script, std::vector<std::string>& questions,
                                     std::string& before) {
    return RunAnsweringKeep(script, {IDYES}, [&] {
      CTestVoltage dialog(setup.get(), 1);
      before = Saved();
      return dialog.DoModal();
    }, &questions);
  }
};

TEST_F(VoltageIdentificationSim, TheStandstillLineHoldsTheWindingAndAStopKeepsNothing) {
  UseDrive(kVoltageModeExample, kTruth);
  std::string before;
  double slope = 0.0;
  double offset = 0.0;
  double atRun = 0.0;
  platform::UserScript script;
  script.Click(testdlg::kStartStopButton).Wait(kLineFound_ms).Call([&](CDialog&) {
    slope = setup->GetParameterValueInInternalUnit("V_UI_R_test");
    offset = setup->GetParameterValueInInternalUnit("UOFFSET");
    atRun = setup->GetParameterValueInInternalUnit("V_UI_U_test") +
            slope * setup->GetParameterValueInInternalUnit("RunCurrent");
  });
  script.Click(testdlg::kStartStopButton)
      .Expect(testdlg::kResultBox, {.text = "Test stopped"})
      .Click(testdlg::kCloseButton);
  std::vector<std::string> questions;
  const platform::ScriptRun run = RunVoltageTest(script, questions, before);
  ASSERT_TRUE(run.ok) << run.failure;

  // The slope is the winding's resistance in drive units, voltage counts
  // per current count, within 2 %: the positioning averages 0.1 s of a
  // converter that resolves 0.2 % of the run current.
  const double kc = setup->GetParameterValueInInternalUnit("RunCurrent") / setup->GetParameterValueInBaseUnit("RunCurrent");
  const double kv = 32767.0 / setup->GetParameterValueInBaseUnit("Vdc");
  EXPECT_NEAR(slope, 1.8 * kv / kc, 0.02 * 1.8 * kv / kc);
  // "UOFFSET" is the line at the run current over the boost, to the count.
  EXPECT_NEAR(offset, atRun / setup->GetParameterValueInInternalUnit("Kphase"), 1.0);

  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_TRUE(questions.empty()) << "a stopped test has no result to keep";
  ExpectUnchangedSince(before);
}

TEST_F(VoltageIdentificationSim, FiveNoAnswersGiveUpAndLeaveTheSetupAsItWas) {
  UseDrive(kVoltageModeExample, kTruth);
  std::string before;
  platform::UserScript script;
  for (int i = 0; i < 5; ++i) script.Answer(CTestVoltage::kSmoothQuestion, IDNO);
  script.Click(testdlg::kStartStopButton)
      .Wait(15000)
      .Expect(testdlg::kResultBox, {.text = "Test failed"})
      .Expect(testdlg::kStatusBox, {.text = CTestVoltage::kNoSmoothSpeed})
      .Click(testdlg::kCloseButton);
  std::vector<std::string> questions;
  const platform::ScriptRun run = RunVoltageTest(script, questions, before);
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_TRUE(questions.empty()) << "a failed test asks nothing";
  ExpectUnchangedSince(before);
}

// Motors whose truth is 10-30 % off their setup's R, L and K, on the voltage
// mode's example at its own 24 V and on the default example's motor at 48 V,
// and each two-phase example's own motor (the voltage mode is a two-phase
// one; the closed-loop examples' motors run it through the dialog alone).
struct VoltageModeMotor {
  const char* example;
  double r_Ohm;
  double l_H;
  double k_Nm_per_A;
};

class VoltageModeMotors : public commissioningtest::TestDialogTest,
                          public testing::WithParamInterface<VoltageModeMotor> {
 protected:
  double DriveVariable(const char* name) {
    CVX_Variable* v = setup->FindVariable(name, 1);
    return v != nullptr && v->ReadFromChip() ? v->GetValueInInternalUnit() : kMissingValue;
  }

  // Runs the voltage program again from standstill with the kept values in
  // the registers, up to `speed`, until it asks; whether the rotor then
  // turns with the field, and the constant the program holds there.
  std::pair<bool, double> RunWithKeptValues(double speed) {
    CVX_CoffFormat image(kernel::GetOutPathName("Voltage_Controller_Test"));
    if (!image.ReadCoff()) return {false, 0.0};
    std::string error;
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, double>>{
             {"Maximum_spd", speed},
             {"Minim_crt", setup->GetParameterValueInInternalUnit("V_MINCRT")},
             {"Nominal_crt", setup->GetParameterValueInInternalUnit("RunCurrent")},
             {"KUPHASE_val", setup->GetParameterValueInInternalUnit("KUPHASE")},
             {"USTBYCRT_val", setup->GetParameterValueInInternalUnit("USTBYCRT")},
             {"UOFFSET_val", setup->GetParameterValueInInternalUnit("UOFFSET")}}) {
      if (!kernel::SetUserVariableValue(image, name, value, error)) return {false, 0.0};
    }
    if (!kernel::ExecuteCode(*setup, "Voltage_Controller_Test", image, nullptr, nullptr, nullptr)) return {false, 0.0};
    for (int k = 0; k < 200 && DriveVariable("VAR_STATUS") != 8; ++k) {
      Drive().AdvanceTo(Drive().drive_time_s() + 0.02);
    }
    return {DriveVariable("VAR_STATUS") == 8 && Drive().MotorRunsSmoothly(), DriveVariable("KOMEGA")};
  }
};

// The person keeps the values only while the rotor turns with the field.
// What is kept must fit the int16 register, leave the amplitude at the
// speed accepted within the supply, and run the motor again from
// standstill: the program, started from the kept values, holds that speed
// with the rotor following and wants the constant within 15 % of the kept
// one (the adaptation's rest and the rotor's load angle). A motor that runs
// at no speed tried fails with the Part's text and keeps nothing.
TEST_P(VoltageModeMotors, KeepsOnlyValuesThatFitTheRegisterAndRunTheMotor) {
  const VoltageModeMotor m = GetParam();
  UseDrive(m.example, fmt::format(R"({{"motor": {{"R": {}, "L": {}, "K": {}}}}})", m.r_Ohm, m.l_H, m.k_Nm_per_A));
  std::string before;
  std::string status;
  platform::UserScript script;
  StartAndWait(script)
      .Call([&](CDialog& dialog) { status = dialog.GetDlgItemText(testdlg::kStatusBox); })
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = RunWatchingTheMotor(script, [&] {
    CTestVoltage dialog(setup.get(), 1);
    before = Saved();
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
  if (run.result != IDOK) {
    EXPECT_EQ(status, CTestVoltage::kNoSmoothSpeed);
    ExpectUnchangedSince(before);
    return;
  }
  const double kept = setup->GetParameterValueInInternalUnit("KOMEGA");
  const double offset = setup->GetParameterValueInInternalUnit("UOFFSET");
  const double speed = std::trunc(DriveVariable("CSPD"));
  ASSERT_GT(speed, 0.0);
  EXPECT_GT(kept, 0.0);
  EXPECT_LE(kept, 32767.0);
  EXPECT_LE(offset + kept * speed, 32767.0);
  EXPECT_DOUBLE_EQ(setup->GetParameterValueInInternalUnit("KOMEGA_test"),
                   setup->GetParameterValueInInternalUnit("NoMicroStepsPerStep") * kept / 256);

  const auto [runs, wanted] = RunWithKeptValues(speed);
  EXPECT_TRUE(runs) << "at " << speed << " microsteps per sample with " << kept;
  EXPECT_NEAR(wanted, kept, 0.15 * kept);
}

INSTANTIATE_TEST_SUITE_P(
    TruthOffTheSetup, VoltageModeMotors,
    testing::Values(VoltageModeMotor{"open_loop_step_loss_encoder", 1.8, 2.2e-3, 0.30},
                    VoltageModeMotor{"open_loop_step_loss_encoder", 1.2, 3.4e-3, 0.22},
                    VoltageModeMotor{"open_loop_step_loss_encoder", 1.9, 3.5e-3, 0.33},
                    VoltageModeMotor{"open_loop_step_loss_encoder", 1.3, 2.0e-3, 0.20},
                    VoltageModeMotor{"two_phase_open_loop", 1.1, 2.5e-3, 0.52},
                    VoltageModeMotor{"two_phase_open_loop", 0.7, 3.9e-3, 0.85},
                    VoltageModeMotor{"two_phase_open_loop", 1.15, 2.4e-3, 0.80},
                    // Each two-phase example's own motor.
                    VoltageModeMotor{"open_loop_step_loss_encoder", 1.5, 2.8e-3, 0.26},
                    VoltageModeMotor{"two_phase_open_loop", 0.9, 3.2e-3, 0.67},
                    VoltageModeMotor{"closed_loop_incremental_1000", 0.75, 2.8e-3, 0.6},
                    VoltageModeMotor{"closed_loop_ssi_17bit", 0.4, 2.9e-3, 0.75}),
    [](const testing::TestParamInfo<VoltageModeMotor>& info) {
      return std::string(info.param.example) + "_" + std::to_string(info.index);
    });

}  // namespace
