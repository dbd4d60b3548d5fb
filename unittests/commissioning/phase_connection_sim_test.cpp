// The phase connection test through its dialog on wirings a commissioning
// engineer meets.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "commissioning/phase_connection_test.h"
#include "kernel/ui/bar_graph.h"
#include "kernel/ui/test_base_ids.h"
#include "kernel/ui/test_dlg.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace {

struct Wiring {
  const char* name;
  const char* example;
  const char* simulation;
  const char* result;  // "Test succeeded" or "Test failed"
  std::string status;  // after a failure: the error text
};

class PhaseConnectionSim : public commissioningtest::TestDialogTest, public testing::WithParamInterface<Wiring> {};

TEST_P(PhaseConnectionSim, PassesGoodWiringAndNamesTheCausesOfBadOnes) {
  const Wiring w = GetParam();
  UseDrive(w.example, w.simulation);
  std::string before;
  platform::UserScript script;
  StartAndWait(script).Expect(testdlg::kResultBox, {.text = w.result});
  if (!w.status.empty()) script.Expect(testdlg::kStatusBox, {.text = w.status});
  script.Call([&](CDialog& dialog) {
    // The bars show the currents of a pass, and stay at zero otherwise.
    const bool passed = std::string(w.result) == "Test succeeded";
    for (const auto& [barId, editId] : {std::pair{phase_connection::kPhaseABar, phase_connection::kPhaseACurrentEdit},
                                        std::pair{phase_connection::kPhaseBBar, phase_connection::kPhaseBCurrentEdit}}) {
      const auto* bar = dynamic_cast<const CBarGraph*>(dialog.GetDlgItem(barId));
      ASSERT_NE(bar, nullptr);
      EXPECT_EQ(bar->GetHigh(), -bar->GetLow());
      if (passed) {
        EXPECT_EQ(dialog.GetDlgItemText(barId), dialog.GetDlgItemText(editId));
        EXPECT_NE(bar->GetValue(), 0.0);
      } else {
        EXPECT_EQ(bar->GetValue(), 0.0);
      }
    }
  });
  script.Click(testdlg::kCloseButton);
  const platform::ScriptRun run = RunAnsweringKeep(script, {}, [&] {
    CTestPhaseConnections dialog(setup.get(), 1);
    before = Saved();
    return dialog.DoModal();
  });
  ASSERT_TRUE(run.ok) << run.failure;
  ExpectUnchangedSince(before);
}

INSTANTIATE_TEST_SUITE_P(
    Wirings, PhaseConnectionSim,
    testing::Values(
        Wiring{"TwoPhaseOpenLoop", "two_phase_open_loop", "", "Test succeeded", ""},
        Wiring{"TwoPhaseClosedLoop", "closed_loop_incremental_1000", "", "Test succeeded", ""},
        Wiring{"ThreePhaseStar", "three_phase_open_loop", "", "Test succeeded", ""},
        Wiring{"PhaseBOpen", "two_phase_open_loop", R"({"motor": {"phases": [{}, {"disconnected": true}]}})",
               "Test failed", CTestPhaseConnections::kFailureText},
        Wiring{"PhaseBTwiceTheResistance", "two_phase_open_loop", R"({"motor": {"phases": [{}, {"R": 1.8}]}})",
               "Test failed", CTestPhaseConnections::kFailureText},
        Wiring{"PhaseAOpen", "two_phase_open_loop", R"({"motor": {"phases": [{"disconnected": true}, {}]}})",
               "Test failed", CVX_TestDlg::msc_pszErrInZero},
        // With phase C open the positioning needs the whole supply to push
        // the current through A and B; the connection run then trips the
        // drive's short-circuit protection, which stops it before it
        // reports any current, and the test names that protection.
        Wiring{"ThreePhasePhaseCOpen", "three_phase_open_loop",
               R"({"motor": {"phases": [{}, {}, {"disconnected": true}]}})", "Test failed",
               "Drive / Motor shortcircuit protection triggered."}),
    [](const testing::TestParamInfo<Wiring>& info) { return std::string(info.param.name); });

}  // namespace
