// The current controller tuning test through its dialog: the designed gains
// on the simulated drive, the pages, and the protection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "commissioning/current_tuning_test.h"
#include "commissioning/test_texts.h"
#include "kernel/plot_files.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"
#include "platform/user_actions.h"
#include "unittests/commissioning/test_dialog_support.h"
#include "unittests/support/environment.h"
#include "unittests/support/recording_drive.h"
#include "unittests/support/step_shape.h"
#include "unittests/support/xml_check.h"

namespace {

using namespace current_tuning;

using testsupport::ShapeOf;
using testsupport::StepShape;

// What the design promises: the closed loop (Kp s + Ki) / (L s^2 + (R + Kp) s
// + Ki) with Kp = 2 zeta w L - R and Ki = w^2 L, integrated finely.
StepShape DesignedShape(double r_Ohm, double l_H, double w, double zeta) {
  const double kp = 2 * zeta * w * l_H - r_Ohm;
  const double ki = w * w * l_H;
  const double dt = 1e-7;
  double i = 0.0;
  double integral = 0.0;
  std::vector<std::pair<double, double>> response;
  for (int k = 0; k < 200000; ++k) {
    if (k % 100 == 0) response.push_back({k * dt, i});
    const double e = 1.0 - i;
    integral += ki * e * dt;
    i += (kp * e + integral - r_Ohm * i) / l_H * dt;
  }
  return ShapeOf(response, 1.0);
}

// The logged motor current from the step on, in amperes' share of the step.
std::vector<std::pair<double, double>> LoggedStep(const CGraphDocument& doc) {
  std::vector<std::pair<double, double>> measured;
  double stepAt = -1.0;
  double step = 0.0;
  for (std::size_t k = 0; k < doc.GetPointCount(); ++k) {
    const std::vector<double>& p = doc.GetPoint(k);
    if (stepAt < 0 && p[1] > 0) stepAt = p[0], step = p[1];
    if (stepAt >= 0) measured.push_back({p[0] - stepAt, p[2] / step});
  }
  return measured;
}

class CurrentTuningSim : public commissioningtest::TestDialogTest {};

TEST_F(CurrentTuningSim, TheDesignedGainsRiseAndOvershootAsDesigned) {
  // The bandwidth a tenth of the sampling rate, where the sampled loop is
  // meant to behave as the continuous design.
  constexpr double kBandwidth_rad_s = 1000.0;
  UseDrive("two_phase_open_loop");
  setup->SetParameterValueInBaseUnit("PB_C", kBandwidth_rad_s);
  StepShape logged;
  double kpBefore = setup->GetParameterValueInBaseUnit("Kp_C_scl");
  double kpTuned = 0.0;
  platform::UserScript script;
  script.Tab(kTabs, 1)
      .Click(kTuneButton)
      .Call([&](CDialog&) { kpTuned = setup->GetParameterValueInBaseUnit("Kp_C_scl"); })
      .Click(testdlg::kStartStopButton)
      .Wait(2000)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Call([&](CDialog& dialog) {
        logged = ShapeOf(LoggedStep(static_cast<CTestCurrent&>(dialog).GetResponse()), 1.0);
      })
      .Click(testdlg::kOkButton);
  const platform::ScriptRun run = Run(script, [&] {
    CTestCurrent dialog(setup.get(), 1);
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDOK);
  EXPECT_NE(kpTuned, kpBefore);
  EXPECT_EQ(setup->GetParameterValueInBaseUnit("Kp_C_scl"), kpTuned) << "OK keeps the tuned gains";

  const StepShape designed = DesignedShape(setup->GetParameterValueInBaseUnit("R"),
                                           setup->GetParameterValueInBaseUnit("L"), kBandwidth_rad_s,
                                           setup->GetParameterValueInBaseUnit("Dump_C"));
  // Rise time within 15 % and overshoot within 10 % of the step: the drive
  // samples, holds and computes a sample late, which the continuous design
  // leaves out, and the log has one point per 100 us.
  EXPECT_NEAR(logged.rise_s, designed.rise_s, 0.15 * designed.rise_s);
  EXPECT_NEAR(logged.overshoot, designed.overshoot, 0.10);
}

// Each closed-loop example steps its own test current under its own
// protection with the gains its bandwidth designs: an example whose loop
// overshoots into the protection (a bandwidth too close to the sampling
// rate, an output filter slower than the loop) fails here.
TEST_F(CurrentTuningSim, EachClosedLoopExampleTunesWithinItsProtection) {
  for (const char* example : {"closed_loop_incremental_1000", "closed_loop_ssi_17bit"}) {
    SCOPED_TRACE(example);
    UseDrive(example);
    platform::UserScript script;
    script.Tab(kTabs, 1).Click(kTuneButton);
    StartAndWait(script).Expect(testdlg::kResultBox, {.text = "Test succeeded"}).Click(testdlg::kCloseButton);
    const platform::ScriptRun run = Run(script, [&] {
      CTestCurrent dialog(setup.get(), 1);
      return dialog.DoModal();
    });
    EXPECT_TRUE(run.ok) << run.failure;
  }
}

TEST_F(CurrentTuningSim, AProtectionBelowTheStepTripsTheRunAndCloseKeepsNothing) {
  UseDrive("two_phase_open_loop");
    std::string before;
  platform::UserScript script;
  // The step overshoots a protection just above the test current.
  script.Call([&](CDialog&) {
          setup->SetParameterValueInBaseUnit("TestProtectionCurrent",
                                            1.01 * setup->GetParameterValueInBaseUnit("TestCurrent"));
          setup->SetParameterValueInBaseUnit("PB_C", 6000);
        })
      .Tab(kTabs, 1)
      .Click(kTuneButton)
      .Click(testdlg::kStartStopButton)
      .Wait(2000)
      .Expect(testdlg::kResultBox, {.text = "Test failed"})
      .Expect(testdlg::kStatusBox, {.text = std::string(commissioning::kCurrentProtectionText)})
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = Run(script, [&] {
    CTestCurrent dialog(setup.get(), 1);
    before = Saved();
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  ExpectUnchangedSince(before);
}

TEST_F(CurrentTuningSim, PagesGuardTheProtectionAndTheRun) {
  testsupport::TempDir plots;
  kernel::SetPlotDirectory(plots.path());
  kernel::ForgetPlotFiles();
  UseDrive("two_phase_open_loop");
  platform::UserScript script;
  script.Expect(kTabs, {.text = "Test Parameters"})
      .Expect(kTestCurrentEdit, {.visible = true})
      .Expect(testdlg::kStartStopButton, {.visible = false})
      .Call([&](CDialog&) {
        setup->SetParameterValueInBaseUnit("TestProtectionCurrent",
                                          0.5 * setup->GetParameterValueInBaseUnit("TestCurrent"));
      })
      .Answer(CTestCurrent::kProtectionBelowTestCurrent, IDOK)
      .Tab(kTabs, 1)
      .Expect(kTabs, {.text = "Test Parameters"})
      .Call([&](CDialog&) {
        setup->SetParameterValueInBaseUnit("TestProtectionCurrent",
                                          1.5 * setup->GetParameterValueInBaseUnit("TestCurrent"));
      })
      .Tab(kTabs, 1)
      .Expect(kTabs, {.text = "Test"})
      .Expect(testdlg::kStartStopButton, {.visible = true})
      // Open loop: no output filter and no gravity compensation.
      .Expect(kFilterGroup, {.visible = false})
      .Expect(kGravityGroup, {.visible = false})
      .Click(testdlg::kStartStopButton)
      .Wait(100)
      .Expect(testdlg::kOkButton, {.enabled = false})
      .Expect(kKpEdit, {.enabled = false})
      .Expect(kBandwidthEdit, {.enabled = true})
      .Tab(kTabs, 0)
      .Expect(kTabs, {.text = "Test"})
      .Click(kSavePlotsButton)
      .Wait(2000)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Expect(testdlg::kOkButton, {.enabled = true})
      .Tab(kTabs, 0)
      .Expect(testdlg::kDetailsButton, {.visible = false})
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = Run(script, [&] {
    CTestCurrent dialog(setup.get(), 1);
    return dialog.DoModal();
  });
  kernel::SetPlotDirectory({});
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_TRUE(kernel::PlotFilesWritten().empty()) << "\"S&ave Plots\" during the run saves nothing";
}

// The protection tried on the first page becomes the drive's with OK, and
// only with OK.
TEST_F(CurrentTuningSim, OkMakesTheTriedProtectionTheDrives) {
  UseDrive("two_phase_open_loop");
  const double before_A = setup->GetParameterValueInBaseUnit("Imax_Prot");
  for (const int close : {testdlg::kCloseButton, testdlg::kOkButton}) {
    SCOPED_TRACE(close);
    platform::UserScript script;
    script.Type(kProtectionEdit, "3.5").Click(close);
    const platform::ScriptRun run = Run(script, [&] {
      CTestCurrent dialog(setup.get(), 1);
      return dialog.DoModal();
    });
    ASSERT_TRUE(run.ok) << run.failure;
    EXPECT_NEAR(setup->GetParameterValueInBaseUnit("Imax_Prot"), close == testdlg::kOkButton ? 3.5 : before_A, 1e-3);
  }
}

// "Tune" during a run sends the new gains to the drive at once, in the pairs
// the drive takes; closing without OK puts them back in the setup and in the
// drive.
TEST_F(CurrentTuningSim, TuneDuringARunWritesTheGainsAndCloseTakesThemBack) {
  UseDrive("two_phase_open_loop");
  testsupport::RecordingDrive recorder(Drive());
  kernel::ScopedActiveDrive recording(&recorder);
  const double kpBefore = Internal("KPI");
  const double kiBefore = Internal("KII");
  platform::UserScript script;
  script.Tab(kTabs, 1)
      .Click(testdlg::kStartStopButton)
      .Wait(100)
      .Expect(testdlg::kResultBox, {.text = "Test running"})
      .Type(kBandwidthEdit, "1500")
      .Click(kTuneButton)
      .Call([&](CDialog&) {
        EXPECT_NE(Internal("KPI"), kpBefore);
        for (const char* name : {"SFTKPI", "KPI", "SFTKII", "KII"}) {
          EXPECT_EQ(recorder.Register(name), Internal(name)) << name << " written during the run";
        }
      })
      .WaitUntil(testdlg::kStartStopButton, {.text = "&Start"}, 5000)
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = Run(script, [&] {
    CTestCurrent dialog(setup.get(), 1);
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(run.result, IDCANCEL);
  EXPECT_EQ(Internal("KPI"), kpBefore);
  EXPECT_EQ(Internal("KII"), kiBefore);
  EXPECT_EQ(recorder.Register("KPI"), kpBefore) << "the drive holds the setup's gains again";
  EXPECT_EQ(recorder.Register("KII"), kiBefore);
}

TEST_F(CurrentTuningSim, ClosedLoopShowsTheOutputFilterAndTheGravityOffsetByTheirChecks) {
  UseDrive("closed_loop_incremental_1000");
  setup->SetParameterValueInBaseUnit("isUseFilterOnCrtCtrlOutput", 0);
  setup->SetParameterValueInBaseUnit("isCompensateGravitationalLoads", 0);
  platform::UserScript script;
  script.Tab(kTabs, 1)
      .Expect(kFilterGroup, {.visible = true})
      .Expect(kFilterEdit, {.visible = false})
      .Expect(kOffsetEdit, {.visible = false})
      .Click(kUseFilterCheck)
      .Expect(kFilterEdit, {.visible = true})
      .Click(kCompensateGravityCheck)
      .Expect(kOffsetEdit, {.visible = true})
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = Run(script, [&] {
    CTestCurrent dialog(setup.get(), 1);
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
}

// "S&ave Plots" after a run: the picture parses as XML with one polyline per
// curve, and the data has a column per logged value holding what was logged.
TEST_F(CurrentTuningSim, SavedPlotsHoldTheLoggedCurvesAndValues) {
  testsupport::TempDir plots;
  kernel::SetPlotDirectory(plots.path());
  kernel::ForgetPlotFiles();
  UseDrive("two_phase_open_loop");
  std::vector<std::vector<double>> logged;
  platform::UserScript script;
  script.Tab(kTabs, 1);
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Click(kSavePlotsButton)
      .Call([&](CDialog& dialog) {
        const CGraphDocument& response = static_cast<CTestCurrent&>(dialog).GetResponse();
        for (std::size_t k = 0; k < response.GetPointCount(); ++k) {
          std::vector<double> shown;
          for (int column = 0; column < static_cast<int>(response.GetColumns().size()); ++column) {
            shown.push_back(response.GetShownValue(k, column));
          }
          logged.push_back(shown);
        }
      })
      .Click(testdlg::kCloseButton);
  const platform::ScriptRun run = Run(script, [&] {
    CTestCurrent dialog(setup.get(), 1);
    return dialog.DoModal();
  });
  kernel::SetPlotDirectory({});
  ASSERT_TRUE(run.ok) << run.failure;
  EXPECT_EQ(kernel::PlotFilesWritten(),
            (std::vector<std::filesystem::path>{plots.path() / "CurrentTuning.svg", plots.path() / "CurrentTuning.csv"}));

  const testsupport::XmlCheck svg = testsupport::CheckXml(plots.Read("CurrentTuning.svg"));
  ASSERT_TRUE(svg.ok) << svg.error;
  EXPECT_EQ(svg.Count("polyline"), 3) << "current reference, voltage reference, motor current";

  std::istringstream csv(plots.Read("CurrentTuning.csv"));
  std::string line;
  ASSERT_TRUE(std::getline(csv, line));
  EXPECT_EQ(std::count(line.begin(), line.end(), ','), 3) << line;
  for (const char* name : {"Current_Reference", "Motor_Current", "Voltage_Reference"}) {
    EXPECT_NE(line.find(name), std::string::npos) << line;
  }
  ASSERT_FALSE(logged.empty());
  std::size_t row = 0;
  while (std::getline(csv, line) && row < logged.size()) {
    std::istringstream fields(line);
    std::string field;
    for (std::size_t column = 0; std::getline(fields, field, ','); ++column) {
      ASSERT_LT(column, logged[row].size()) << line;
      EXPECT_NEAR(std::stod(field), logged[row][column], 1e-9 * std::max(1.0, std::abs(logged[row][column])))
          << "row " << row << ", column " << column;
    }
    ++row;
  }
  EXPECT_EQ(row, logged.size());
}

}  // namespace
