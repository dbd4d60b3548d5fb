// The Step Motor and Load Setup dialog played by a person: what follows a
// choice of motor, control type, sensor, transmission or serial encoder.

#include <cmath>
#include <numbers>
#include <string>

#include "kernel/probe.h"
#include "kernel/setup_file.h"
#include "unittests/dialogs/motor_setup_test_support.h"

namespace dialogtest {
namespace {

using namespace motorsetup;
using platform::Expectation;

class MotorSetupEdits : public MotorSetupTest {};

// ----- motor and control type -----

TEST_F(MotorSetupEdits, TriPhaseMotorInClosedLoopTorqueModeBecomesOpenLoopPositionMode) {
  Open(kClosedLoopIncremental);
  SetBase("ControlMode", 2);
  const double closedLoopDivider = Base("SLPER");
  platform::UserScript script;
  script.Click(kTriPhaseRadio)
      .Expect(kOpenLoopRadio, {.checked = true})
      .Expect(kClosedLoopRadio, {.enabled = false})
      .Expect(kStarRadio, {.visible = true})
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
  EXPECT_EQ(Base("StepperControlType"), 0.0);
  EXPECT_EQ(Base("ControlMode"), 0.0);
  // The switch to open loop couples the slow loop to the fast one and keeps
  // the closed-loop divider for the way back.
  EXPECT_EQ(Base("SLPER"), 8 * Base("CLPER"));
  EXPECT_EQ(Base("SLPER_backup"), closedLoopDivider);
  EXPECT_EQ(setup->GetOptionNoError("MotorType"), "Triphase Stepper, Rotary");
  EXPECT_EQ(setup->GetOptionNoError("ReferenceName"), "SOL3");
}

TEST_F(MotorSetupEdits, ControlTypeThereAndBackKeepsTimesAndTheClosedLoopDivider) {
  Open(kClosedLoopIncremental);
  const double closedLoopDivider = Base("SLPER");
  const double errorTime_s = Base("time_ERR_pos");
  platform::UserScript script;
  script.Click(kOpenLoopRadio)
      .Call([&](CDialog&) {
        EXPECT_EQ(Base("SLPER"), 8 * Base("CLPER"));
        // Times stay in seconds when the tick changes (within one tick).
        EXPECT_NEAR(Base("time_ERR_pos"), errorTime_s, Base("Ts_S"));
        // Open loop starts without sensors.
        EXPECT_EQ(Base("MotorSensorType"), 0.0);
        EXPECT_EQ(Base("LoadSensorType"), 0.0);
        EXPECT_EQ(setup->GetOptionNoError("ReferenceName"), "SOL");
      })
      // A second click on the choice already made changes nothing: the
      // closed-loop divider kept for the way back stays.
      .Click(kOpenLoopRadio)
      .Click(kClosedLoopRadio)
      .Call([&](CDialog&) {
        EXPECT_EQ(Base("SLPER"), closedLoopDivider);
        EXPECT_NEAR(Base("time_ERR_pos"), errorTime_s, Base("Ts_S"));
        EXPECT_EQ(Base("MotorSensorType"), 1.0);
        EXPECT_EQ(setup->GetOptionNoError("ReferenceName"), "SCL");
      })
      .Expect(kMotorSensorGroup, {.text = "Motor sensors"})
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
}

// ----- sensors -----

TEST_F(MotorSetupEdits, OpenLoopReadsOneSensorTheLastChosen) {
  Open(kOpenLoopLoadEncoder);
  ASSERT_EQ(Base("MotorSensorType"), 1.0);
  platform::UserScript script;
  script.Select(kLoadSensorCombo, "Incremental encoder")
      .Call([&](CDialog&) {
        EXPECT_EQ(Base("LoadSensorType"), 1.0);
        EXPECT_EQ(Base("MotorSensorType"), 0.0);
      })
      .Expect(kMotorConnectorCombo, {.visible = false})
      .Expect(kLoadConnectorCombo, {.visible = true})
      .Select(kMotorSensorCombo, "Incremental encoder")
      .Call([&](CDialog&) {
        EXPECT_EQ(Base("MotorSensorType"), 1.0);
        EXPECT_EQ(Base("LoadSensorType"), 0.0);
      })
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
}

TEST_F(MotorSetupEdits, SensorListsOfferWhatTheDriveReadsAndConnectorsThatReadIt) {
  Open(kClosedLoopIncremental);
  platform::UserScript script;
  script
      .Call([](CDialog& dialog) {
        EXPECT_EQ(Seen(dialog, kMotorSensorCombo).items,
                  (std::vector<std::string>{"None", "Incremental encoder", "Sine/Cosine encoder", "SSI encoder",
                                            "BiSS encoder"}));
        EXPECT_EQ(Seen(dialog, kMotorConnectorCombo).items, (std::vector<std::string>{"Feedback #1", "Feedback #2"}));
      })
      .Select(kMotorConnectorCombo, "Feedback #2")
      // Only the first input reads a sine/cosine encoder: the connector
      // moves there with the choice.
      .Select(kMotorSensorCombo, "Sine/Cosine encoder")
      .Expect(kMotorConnectorCombo, {.text = "Feedback #1"})
      .Call([&](CDialog& dialog) {
        EXPECT_EQ(Seen(dialog, kMotorConnectorCombo).items, std::vector<std::string>{"Feedback #1"});
        EXPECT_EQ(Base("MotorSensorConnector"), 0.0);
      })
      .Click(IDCANCEL);
  EXPECT_EQ(RunMotorSetup(script), IDCANCEL);
  EXPECT_EQ(Base("MotorSensorType"), 1.0);
}

TEST_F(MotorSetupEdits, SineCosineFiguresAreShownButNeverStored) {
  Open(kClosedLoopIncremental);
  const std::string before = kernel::SerializeSetup(*setup);
  platform::UserScript script;
  script.Select(kMotorSensorCombo, "Sine/Cosine encoder")
      .Type(kMotorLinesEdit, "500")
      .Select(kMotorInterpolationCombo, "6")
      // 500 lines interpolated by 2^6.
      .Expect(kMotorEquivalentEdit, {.text = "32000.000000000"})
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
  const std::string after = kernel::SerializeSetup(*setup);
  EXPECT_NE(after, before);
  for (const char* figure : {"EquivCountsPerRev", "ResolutionWithInterpolation_LD"}) {
    EXPECT_EQ(after.find(figure), std::string::npos) << figure;
    EXPECT_FALSE(kernel::HasParameter(*setup, figure));
  }
}

// ----- transmission -----

TEST_F(MotorSetupEdits, ZeroTransmissionShowsAFullTurn) {
  Open(kOpenLoop);
  platform::UserScript script;
  script.Type(kLoadTransmissionEdit, "0")
      .Expect(kLoadTransmissionEdit, {.text = "6.283185307"})
      .Type(kMotorTransmissionEdit, "0")
      .Expect(kMotorTransmissionEdit, {.text = "6.283185307"})
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
  EXPECT_DOUBLE_EQ(Base("Load_transmission"), 2.0 * std::numbers::pi);
  EXPECT_DOUBLE_EQ(Base("Motor_transmission"), 2.0 * std::numbers::pi);
}

TEST_F(MotorSetupEdits, NegativeTransmissionOffersTheLimitSwitchNoteUnlessTheDriveCountsBackwards) {
  constexpr char kNote[] =
      "When there is only a position sensor on the motor and the load moves in opposite direction (i.e. "
      "transmission is negative), the h/w limit switches connections need to be reversed. \n\nConnect positive "
      "limit switch sensor to drive's LSN input and negative limit switch sensor to drive's LSP input.";
  for (const char* negativeTransmission : {"0", "1"}) {
    SCOPED_TRACE(negativeTransmission);
    Open(kClosedLoopIncremental);
    setup->SetOption("hasNegTransmission", negativeTransmission);
    const bool offered = std::string(negativeTransmission) == "0";
    platform::UserScript script;
    script.Expect(kLimitSwitchNoteButton, {.visible = false})
        .Type(kMotorTransmissionEdit, "-6.283185307")
        .Expect(kLimitSwitchNoteButton, {.visible = offered});
    if (offered) script.Answer(kNote, IDOK).Click(kLimitSwitchNoteButton);
    script.Click(IDCANCEL);
    EXPECT_EQ(RunMotorSetup(script), IDCANCEL);
  }
}

TEST_F(MotorSetupEdits, LinearLoadShowsItsValuesInLinearUnits) {
  Open(kClosedLoopIncremental);
  platform::UserScript script;
  script.Click(kLinearRadio)
      .Call([&](CDialog&) {
        EXPECT_EQ(setup->FindParameter("Limit_Speed")->GetUnitType(), "m/s");
        EXPECT_EQ(setup->FindParameter("ERR_position")->GetUnitType(), "m");
      })
      .Click(kRotaryRadio)
      .Call([&](CDialog&) { EXPECT_EQ(setup->FindParameter("ERR_position")->GetUnitType(), "rad"); })
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
}

// ----- serial encoders -----

TEST_F(MotorSetupEdits, SerialWordLongerThanTheDriveReadsLosesTurnBits) {
  struct Case {
    const char* maxBits;  // the option "SSIMaxBits"; empty: absent
    const char* revolution;
    const char* turns;
    const char* keptRevolution;
    const char* keptTurns;
  };
  for (const Case c :
       {Case{"", "20", "16", "20", "11"}, Case{"24", "20", "4", "20", "4"}, Case{"24", "31", "3", "24", "0"}}) {
    SCOPED_TRACE(std::string("SSIMaxBits '") + c.maxBits + "' " + c.revolution + "+" + c.turns);
    Open(kClosedLoopSsi);
    if (*c.maxBits)
      setup->SetOption("SSIMaxBits", c.maxBits);
    else
      setup->ClearOption("SSIMaxBits");
    platform::UserScript script;
    script.Click(kMotorMultiTurnRadio)
        .Type(kMotorTurnBitsEdit, "0")
        .Type(kMotorRevolutionBitsEdit, c.revolution)
        .Type(kMotorTurnBitsEdit, c.turns)
        .Expect(kMotorRevolutionBitsEdit, {.text = c.keptRevolution})
        .Expect(kMotorTurnBitsEdit, {.text = c.keptTurns})
        .Click(IDCANCEL);
    EXPECT_EQ(RunMotorSetup(script), IDCANCEL);
  }
}

TEST_F(MotorSetupEdits, ClockListOffersTheRatesWithinTheLimitsAndSaysWhenNoneFits) {
  Open(kClosedLoopSsi);
  platform::UserScript script;
  script
      .Call([](CDialog& dialog) {
        EXPECT_EQ(Seen(dialog, kMotorClockCombo).items,
                  (std::vector<std::string>{"250 kHz", "500 kHz", "1000 kHz", "1500 kHz", "2000 kHz", "2500 kHz",
                                            "3000 kHz", "4000 kHz", "5000 kHz"}));
      })
      .Expect(kMotorClockCombo, {.text = "2000 kHz"})
      .Select(kMotorClockCombo, "1000 kHz")
      .Call([&](CDialog&) {
        EXPECT_EQ(Base("SSI_freq"), 1e6);
        // The clock registers follow the new rate at once.
        EXPECT_EQ(Internal("SSIBR"), 60e6 / 1e6 - 1);
      })
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);

  // Limits that no listed rate fits: the person is told when choosing the
  // sensor.
  Open(kClosedLoopSsi);
  SetBase("MotorSensorType", 1);
  setup->FindParameter("SSI_freq")->InitLimits(6e6, 1e7);
  platform::UserScript none;
  none.Answer("No valid frequency found for SSI/BiSS encoder. Please check frequency list or SSI_Freq paramter limits.",
              IDOK)
      .Select(kMotorSensorCombo, "SSI encoder")
      .Call([](CDialog& dialog) { EXPECT_TRUE(Seen(dialog, kMotorClockCombo).items.empty()); })
      .Click(IDCANCEL);
  EXPECT_EQ(RunMotorSetup(none), IDCANCEL);
}

TEST_F(MotorSetupEdits, SerialLoadSensorWithoutLinearSettingsKeepsTheLoadRotary) {
  UseEditedExample(kClosedLoopIncremental,
                   [](nlohmann::json& document) { document["parameters"].erase("SSI_Resolution_LD"); });
  RunOpenerSequences();
  SetBase("TransmissionType", 1);
  platform::UserScript script;
  script.Select(kLoadSensorCombo, "SSI encoder")
      .Expect(kRotaryRadio, {.checked = true})
      .Expect(kLinearRadio, {.enabled = false})
      .Select(kLoadSensorCombo, "Incremental encoder")
      .Expect(kLinearRadio, {.enabled = true})
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
  EXPECT_EQ(Base("TransmissionType"), 0.0);
  EXPECT_EQ(setup->FindParameter("ERR_position")->GetUnitType(), "rad");
}

// ----- filters, brake, intelligent motor -----

TEST_F(MotorSetupEdits, EncoderFilterOffersFractionsOfTheBandwidthOnceSwitchedOn) {
  Open(kClosedLoopIncremental);
  SetBase("isFilterEnc_MT", 0);
  platform::UserScript script;
  script.Expect(kMotorFilterCombo, {.enabled = false})
      .Check(kMotorFilterCheck, true)
      .Expect(kMotorFilterCombo, {.enabled = true})
      .Call([](CDialog& dialog) {
        EXPECT_EQ(Seen(dialog, kMotorFilterCombo).items,
                  (std::vector<std::string>{"1/3", "1/6", "1/12", "1/18", "1/24", "1/30", "1/36", "1/42", "1/48",
                                            "1/54", "1/60", "1/66", "1/72"}));
      })
      .Select(kMotorFilterCombo, "1/24")
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
  EXPECT_EQ(Base("FilterEncValue_MT"), 4.0);
  EXPECT_EQ(Base("isFilterEnc_MT"), 1.0);
}

TEST_F(MotorSetupEdits, BrakeTextSaysHowTheOutputAppliesIt) {
  // Port 25 has the brake flags 0x10, port 28 0x20; port 28's output stage
  // does not invert here.
  UseEditedExample(kClosedLoopSsi, [](nlohmann::json& document) {
    for (auto& port : document["capabilities"]["ioPorts"])
      if (port["port"] == 28) port["inverted"] = false;
  });
  RunOpenerSequences();
  platform::UserScript script;
  script.Check(kBrakeCheck, true)
      .Call([](CDialog& dialog) {
        EXPECT_EQ(Seen(dialog, kBrakeOutputCombo).items, (std::vector<std::string>{"25", "28"}));
      })
      .Select(kBrakeOutputCombo, "25")
      .Expect(kBrakeLevelText, {.text = "Motor brake is applied when PNP (source) output is connected to +Vlog."})
      .Select(kBrakeOutputCombo, "28")
      .Expect(kBrakeLevelText, {.text = "Motor brake is applied when NPN (sink) output is connected to GND."})
      .Check(kBrakeCheck, false)
      .Expect(kReleaseTimeEdit, {.enabled = false})
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
  EXPECT_EQ(Base("MotorBrake_output"), 28.0);
  EXPECT_EQ(Base("isMotorBrake"), 0.0);
}

TEST_F(MotorSetupEdits, IntelligentMotorIsLockedUntilTheExpertChord) {
  Open(kClosedLoopIncremental);
  setup->SetOption("isIntelligentMotor", "1");
  platform::UserScript script;
  script.Expect(kResistanceEdit, {.enabled = false})
      .Expect(kMotorLinesLabel, {.text = "Resolution "})
      .Chord(CMotorSetupDialog::kExpertChordLetter)
      .Expect(kResistanceEdit, {.enabled = true})
      .Type(kResistanceEdit, "1.5")
      .Chord(CMotorSetupDialog::kExpertChordLetter)
      .Expect(kResistanceEdit, {.enabled = false})
      .Click(IDOK);
  EXPECT_EQ(RunMotorSetup(script), IDOK);
  EXPECT_DOUBLE_EQ(Base("R"), 1.5);
}

TEST_F(MotorSetupEdits, HelpOpensTheDialogsTopic) {
  Open(kOpenLoop);
  ExpectHelpTopic(262408, [&](platform::UserScript& script) { EXPECT_EQ(RunMotorSetup(script), IDCANCEL); });
}

}  // namespace
}  // namespace dialogtest
