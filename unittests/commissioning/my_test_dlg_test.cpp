// The conventions every commissioning test follows, through a probe test
// that runs the positioning program and then a logging program on the
// simulated drive, as the current tuning test does.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "commissioning/drive_errors.h"
#include "commissioning/my_test_dlg.h"
#include "commissioning/vdc_detection_test.h"
#include "kernel/coff_format.h"
#include "kernel/logger.h"
#include "kernel/setup_file.h"
#include "kernel/ui/graph_window.h"
#include "kernel/ui/test_base_ids.h"
#include "platform/message_loop.h"
#include "platform/user_actions.h"
#include "unittests/commissioning/test_dialog_support.h"

namespace commissioningtest {
namespace {

using platform::UserScript;

constexpr UINT kProbeTemplate = 9300;
constexpr int kGraph = 1361;
constexpr unsigned long kProbeHelp = 262999;

constexpr const char* kProbeTemplateJson = R"({
  "id": 9300, "caption": "Probe Test", "w": 300, "h": 200,
  "controls": [
    {"id": 1361, "class": "graph", "text": "Graph", "x": 5, "y": 5, "w": 290, "h": 100},
    {"id": 10000, "class": "button", "text": "&Start", "x": 5, "y": 110, "w": 50, "h": 14},
    {"id": 10001, "class": "edit", "x": 60, "y": 110, "w": 100, "h": 13, "style": ["readonly"]},
    {"id": 10002, "class": "edit", "x": 60, "y": 126, "w": 200, "h": 13, "style": ["readonly"]},
    {"id": 10003, "class": "button", "text": "&Details", "x": 5, "y": 126, "w": 50, "h": 14},
    {"id": 10004, "class": "progress", "x": 60, "y": 142, "w": 200, "h": 8},
    {"id": 1, "class": "button", "text": "OK", "x": 130, "y": 180, "w": 50, "h": 14},
    {"id": 2, "class": "button", "text": "Close", "x": 185, "y": 180, "w": 50, "h": 14},
    {"id": 10024, "class": "button", "text": "Help", "x": 240, "y": 180, "w": 50, "h": 14}
  ]})";

constexpr const char* kTuning = "Current_Controller_Tuning_Test_SOL";

// Positions the rotor, then runs the current step with a logger and
// uploads its points into a graph: the shape of most tests.
class ProbeTest final : public CMyTestDlg {
 public:
  explicit ProbeTest(CVX_Setup* setup, UINT templateId = kProbeTemplate) : CMyTestDlg(setup, templateId, 1) {
    m_nStepCount = 5;
    SetHelpContext(kProbeHelp);
  }

  BOOL OnInitDialog() override {
    m_positioning.SetPath(GetOutPathName(PositioningProgramName(*GetSetup())));
    m_positioning.ReadCoff();
    m_tuning.SetPath(GetOutPathName(kTuning));
    m_tuning.ReadCoff();
    m_logger = std::make_unique<CVX_SingleAxisLogger>(*GetSetup(), &m_tuning);
    m_logger->ChangeSettings(100, 2, 1);
    m_logger->AddVariable("Current_Reference", 1);
    m_logger->AddVariable("Motor_Current", 1);
    m_logger->GetGraphDocument().GetFilter().AddCurve(CXYCurve(0, 1, 1, 2, 2));
    m_logger->GetGraphDocument().GetFilter().AddCurve(CXYCurve(0, 2, 1, 5, 2));
    OverrideOpenLoopOSR();
    const BOOL result = CMyTestDlg::OnInitDialog();
    m_graph.Create(this, kGraph, m_logger->GetGraphDocument().GetFilter());
    return result;
  }

  void BeginTest() override {
    if (!StartRun()) return;
    const double current = GetSetup()->GetParameterValueInInternalUnit("TestCurrent");
    SetInfoText("Positioning");
    std::string error;
    if (!SetUserVariableValue(m_positioning, "In1", current, error)) return Fail(error);
    if (!RunProgram(m_positioning.GetProgramName(), m_positioning)) return;
    SetInfoText("Waiting for the positioning");
    PollAgain();
  }

  void OnPollTick() override {
    maxPendingTimers = std::max(maxPendingTimers, platform::RunningTimerCount());
    ++ticks;
    switch (m_nStepIndex) {
      case 2: {
        if (WaitForProgram(m_positioning, waitMask) != ProgramState::kFinished) return;
        const std::optional<double> reference = ReadPositioningResult(m_positioning);
        if (!reference) return;
        SetInfoText("Starting the step");
        std::string error;
        const double current = GetSetup()->GetParameterValueInInternalUnit("TestCurrent");
        const double protection = GetSetup()->GetParameterValueInInternalUnit("Imax_Prot");
        if (!SetUserVariableValue(m_tuning, "RefTest", *reference, error) ||
            !SetUserVariableValue(m_tuning, "In1", current, error) ||
            !SetUserVariableValue(m_tuning, "Imax_Prot_Test", protection, error)) {
          return Fail(error);
        }
        if (!RunProgram(kTuning, m_tuning, m_logger.get())) return;
        SetInfoText("Running the step");
        PollAgain();
        return;
      }
      case 4: {
        if (WaitForProgram(m_tuning, waitMask, false) != ProgramState::kFinished) return;
        if (!CheckDriveErrors(1, waitMask)) return;
        double flag = 0.0;
        std::string error;
        if (!GetUserVariableValue(m_tuning, "test_flag", flag, error)) return Fail(error);
        if (flag <= 0) return Fail("The step was stopped.");
        uploadEnd = UploadResults(*m_logger, &m_graph, "Uploading results");
        return;
      }
      default:
        FailInternal();
    }
  }

  const CGraphWindow& Graph() const { return m_graph; }
  CVX_SingleAxisLogger& Logger() { return *m_logger; }
  using CMyTestDlg::PositioningProgramName;
  using CMyTestDlg::UploadEnd;

  std::uint16_t waitMask = commissioning::kMaskPositioning;
  int maxPendingTimers = 0;
  int ticks = 0;
  std::optional<UploadEnd> uploadEnd;

 private:
  CVX_CoffFormat m_positioning;
  CVX_CoffFormat m_tuning;
  std::unique_ptr<CVX_SingleAxisLogger> m_logger;
  CGraphWindow m_graph;
};

class TestConventions : public TestDialogTest {
 protected:
  void SetUp() override {
    TestDialogTest::SetUp();
    AddTemplate(kProbeTemplateJson);
    UseExample(dialogtest::kOpenLoop);
    RunOpenerSequences();
  }
};

TEST_F(TestConventions, ARunPositionsThenUploadsEveryLoggedPointIntoItsGraph) {
  AttachDrive();
  ProbeTest test(setup.get());
  UserScript script;
  StartAndWait(script)
      .Expect(testdlg::kResultBox, {.text = "Test succeeded"})
      .Expect(testdlg::kProgressBar, {.text = "5"})
      .Expect(kGraph, {.text = "100 points"})
      .Click(testdlg::kOkButton);
  EXPECT_EQ(RunTest(test, script), IDOK);
  EXPECT_EQ(test.uploadEnd, ProbeTest::UploadEnd::kComplete);
  EXPECT_EQ(test.Logger().GetGraphDocument().GetPointCount(), 100u);
  EXPECT_EQ(test.Graph().GetShownPoints(), 100u);
  EXPECT_EQ(events.stages, (std::vector<std::string>{"Positioning", "Waiting for the positioning", "Starting the step",
                                                     "Running the step", "Uploading results"}));
  // The graph's axes hold the step: the left axis reaches the test current.
  const CGraphFilter& filter = test.Logger().GetGraphDocument().GetFilter();
  EXPECT_GE(filter.GetRange(1).max, Base("TestCurrent") * 0.9);
}

TEST_F(TestConventions, AtMostOnePollTickIsPendingAtATime) {
  AttachDrive();
  ProbeTest test(setup.get());
  UserScript script;
  StartAndWait(script).Call([](CDialog&) { EXPECT_EQ(platform::RunningTimerCount(), 0) << "no tick after the end"; });
  script.Click(testdlg::kCloseButton);
  RunTest(test, script);
  EXPECT_GT(test.ticks, 10) << "the positioning alone lasts half a second of 20 ms ticks";
  EXPECT_EQ(test.maxPendingTimers, 0) << "each tick kills the timer before it works";
}

TEST_F(TestConventions, NoCurrentInThePositioningIsTheZeroInputText) {
  AttachDrive(R"({"motor": {"phases": [{"disconnected": true}, {"disconnected": true}]}})");
  ProbeTest test(setup.get());
  UserScript script;
  StartAndWait(script).Expect(testdlg::kStatusBox, {.text = CVX_TestDlg::msc_pszErrInZero});
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(events.errors, std::vector<std::string>{CVX_TestDlg::msc_pszErrInZero});
}

TEST_F(TestConventions, AProgramThatNeverStartsFailsAfterTheStartTimeout) {
  // With ENABLE off the positioning does not start; a mask that leaves the
  // ENABLE bit out would otherwise wait for it for ever.
  AttachDrive(R"({"faults": {"enable_input_off": true}})");
  ProbeTest test(setup.get());
  test.waitMask = commissioning::kMaskShortCircuit;
  UserScript script;
  StartAndWait(script, 10000).Click(testdlg::kCloseButton);
  RunTest(test, script);
  EXPECT_EQ(events.errors,
            std::vector<std::string>{"The program \"Initial_Positioning_Test\" did not start on the drive within 5 s."});
  EXPECT_LE(clock.Now(), std::chrono::milliseconds(5100));
}

TEST_F(TestConventions, TheEnableInputOffFailsWithItsTextWhenTheMaskHasIt) {
  AttachDrive(R"({"faults": {"enable_input_off": true}})");
  ProbeTest test(setup.get());
  RunOnceAndClose(test);
  EXPECT_EQ(events.errors, std::vector<std::string>{"Drive / Motor ENABLE input is in DISABLED state."});
}

TEST_F(TestConventions, StoppingAOneShotRunResetsTheDriveAndKeepsTheSetup) {
  AttachDrive();
  ProbeTest test(setup.get());
  UserScript script;
  script.Click(testdlg::kStartStopButton).Wait(100).Click(testdlg::kStartStopButton);
  script.Expect(testdlg::kResultBox, {.text = "Test stopped"}).Wait(1000);
  script.Call([&](CDialog&) {
    EXPECT_FALSE(Drive().running()) << "the reset stopped the program";
    EXPECT_EQ(test.ticks, 5) << "no tick after the stop";
  });
  script.Click(testdlg::kCloseButton);
  EXPECT_EQ(RunTest(test, script), IDCANCEL);
  EXPECT_EQ(events.outcomes, std::vector<int>{-1});
}

TEST_F(TestConventions, ABoundEditIsKeptOnlyWhenTheDialogEndsWithOk) {
  AttachDrive();
  for (const int button : {IDCANCEL, IDOK}) {
    SCOPED_TRACE(button);
    UseExample(dialogtest::kOpenLoop);
    CTestVdcDetection test(setup.get());
    UserScript script;
    script.Type(1012, "30").Click(button);
    RunTest(test, script);
    EXPECT_EQ(Base("Vdc"), button == IDOK ? 30.0 : 48.0);
  }
}

TEST_F(TestConventions, TheOpenLoopOsrOverrideLastsAsLongAsTheDialog) {
  AttachDrive();
  SetInternal("OSR", 0x2004);
  const double osr = Internal("OSR");
  for (const int button : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(button);
    ProbeTest test(setup.get());
    UserScript script;
    script.Call([&](CDialog&) { EXPECT_EQ(Internal("OSR"), static_cast<double>(static_cast<int>(osr) | 0x4000)); });
    script.Click(button);
    RunTest(test, script);
    EXPECT_EQ(Internal("OSR"), osr);
  }
  // Closed loop or three-phase: no override.
  SetBase("StepperControlType", 1);
  ProbeTest closedLoop(setup.get());
  UserScript script;
  script.Call([&](CDialog&) { EXPECT_EQ(Internal("OSR"), osr); }).Click(IDOK);
  RunTest(closedLoop, script);
}

TEST_F(TestConventions, TestsButTheTuningOnesClearTheStartModesMinimumMove) {
  SetBase("ABSTART_MINMOVE", 5);
  ProbeTest speedTuning(setup.get(), 102);
  ProbeTest positionTuning(setup.get(), 103);
  EXPECT_EQ(Base("ABSTART_MINMOVE"), 5.0);
  CTestVdcDetection detection(setup.get());
  EXPECT_EQ(Base("ABSTART_MINMOVE"), 0.0);
}

TEST_F(TestConventions, ThePositioningProgramFollowsTheMotorAndTheLoop) {
  const struct {
    int controlType;
    int motorType;
    const char* program;
  } rows[] = {{0, 0, "Initial_Positioning_Test"},
              {0, 1, "Initial_Positioning_Test_SOL3"},
              {1, 0, "Initial_Positioning_Test"},
              {1, 1, "Initial_Positioning_Test"}};
  for (const auto& row : rows) {
    SetBase("StepperControlType", row.controlType);
    SetBase("StepperMotorType", row.motorType);
    EXPECT_EQ(ProbeTest::PositioningProgramName(*setup), row.program) << row.controlType << row.motorType;
  }
}

TEST_F(TestConventions, HelpOpensTheTestsTopic) {
  CVX_DriveIdentity identity = setup->GetIdentity();
  identity.helpFile = "/opt/drive/help.chm";
  setup->SetIdentity(identity);
  AttachDrive();
  ProbeTest test(setup.get());
  UserScript script;
  script.Click(testdlg::kHelpButton).Click(testdlg::kCloseButton);
  RunTest(test, script);
  ASSERT_EQ(script.HelpShown().size(), 1u);
  EXPECT_EQ(script.HelpShown()[0].file, "/opt/drive/help.chm");
  EXPECT_EQ(script.HelpShown()[0].context, kProbeHelp);
}

// The drive error check reads "MER" from the drive; the bits it knows are
// tested in their order, the others ignored.
TEST_F(TestConventions, TheDriveErrorCheckNamesTheFirstSelectedBit) {
  AttachDrive();
  const struct {
    std::uint16_t mer;
    std::uint16_t mask;
    const char* text;  // nullptr: the check passes
  } rows[] = {
      {0x8002, 0x8002, "Drive / Motor shortcircuit protection triggered."},
      {0x8002, 0x8000, "Drive / Motor ENABLE input is in DISABLED state."},
      {0x0020, 0xFFDF, nullptr},
      {0x00A8, 0xFFFF, "Drive / Motor control error protection triggered."},
      {0x00A0, 0xFFFF, "Feedback error."},
      {0x00C0, 0xFFFF, "Drive / Motor stopped due to positive limit switch input triggered."},
      {0x0080, 0xFFFF, "Drive / Motor stopped due to negative limit switch input triggered."},
      {0x7F11, 0xFFFF, nullptr},
  };
  ProbeTest test(setup.get());
  UserScript script;
  script.Call([&](CDialog&) {
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << std::hex << row.mer << " & " << row.mask);
      ASSERT_TRUE(Drive().WriteVariable({"MER", 1}, row.mer).ok());
      EXPECT_EQ(test.CheckDriveErrors(0, row.mask), row.text ? 0 : 1);
      if (row.text) {
        EXPECT_EQ(test.GetErrorText(), row.text);
      }
    }
  });
  script.Click(testdlg::kCloseButton);
  RunTest(test, script);
  EXPECT_TRUE(events.outcomes.empty()) << "a check with failTest 0 fails no test";
}

TEST_F(TestConventions, ASetupWithoutMerFailsTheCheckWithTheInternalText) {
  std::ifstream in(DRIVESETUP_SOURCE_DIR "/examples/two_phase_open_loop.json");
  std::stringstream text;
  text << in.rdbuf();
  nlohmann::json document = nlohmann::json::parse(text.str());
  auto& variables = document["variables"];
  for (auto it = variables.begin(); it != variables.end(); ++it) {
    if ((*it)["name"] == "MER") {
      variables.erase(it);
      break;
    }
  }
  kernel::SetupLoadResult load = kernel::ParseSetup(document.dump());
  ASSERT_TRUE(load.ok()) << load.ErrorText();
  setup = std::move(load.setup);
  AttachDrive();
  ProbeTest test(setup.get());
  UserScript script;
  script.Call([&](CDialog&) {
    EXPECT_EQ(test.CheckDriveErrors(0, 0x0000), 0) << "even with no bit selected";
    EXPECT_EQ(test.GetErrorText(), CVX_TestDlg::msc_pszErrInternal);
  });
  script.Click(testdlg::kCloseButton);
  RunTest(test, script);
}

TEST(DriveErrorText, OnlyTheListedBitsAreErrorsAndTheFirstWins) {
  for (int bit = 0; bit < 16; ++bit) {
    const auto mer = static_cast<std::uint16_t>(1u << bit);
    const bool listed = bit == 1 || bit == 3 || bit == 5 || bit == 6 || bit == 7 || bit == 15;
    EXPECT_EQ(commissioning::DriveErrorText(mer, 0xFFFF).has_value(), listed) << bit;
    EXPECT_FALSE(commissioning::DriveErrorText(mer, static_cast<std::uint16_t>(~mer)).has_value()) << bit;
  }
  EXPECT_EQ(commissioning::DriveErrorText(0xFFFF, commissioning::kMaskTuning),
            "Drive / Motor shortcircuit protection triggered.");
  EXPECT_EQ(commissioning::DriveErrorText(0x0020, commissioning::kMaskTuning), std::nullopt);
  EXPECT_EQ(commissioning::DriveErrorText(0x0020, commissioning::kMaskFeedback), "Feedback error.");
}

}  // namespace
}  // namespace commissioningtest
