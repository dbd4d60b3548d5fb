// The External Reference Setup dialog played by a person: what it offers
// by control mode and by what the drive has, and the values it repairs.

#include <string>
#include <vector>

#include "dialogs/reference_controls.h"
#include "dialogs/reference_dlg.h"
#include "kernel/setup_file.h"
#include "unittests/dialogs/drive_setup_test_support.h"
#include "unittests/dialogs/visibility_table.h"

namespace dialogtest {
namespace {

using namespace reference;

// What the reference rules depend on.
struct Reference {
  int controlMode;     // 0 position, 1 speed, 2 torque
  bool analogue;       // "isAnalogueReference"
  bool limit;          // "isLimitMaximum"
  bool input;          // the drive has an analogue reference input
  bool freeConnector;  // a sensor input that takes a digital reference is left free

  bool positionMode() const { return controlMode == 0; }
  std::string Describe() const {
    return "CM " + std::to_string(controlMode) + (analogue ? " analogue" : " digital") + (limit ? " limit" : "") +
           (input ? " with input" : " without input") + (freeConnector ? " free connector" : " no free connector");
  }
};

const std::vector<VisibilityRow<Reference>> kTable{
    {"the analogue choice needs the input", kAnalogueRadio, Aspect::kEnabled,
     [](const Reference& r) { return r.input; }},
    {"the digital choice only in position mode with a free input", kDigitalRadio, Aspect::kEnabled,
     [](const Reference& r) { return r.positionMode() && r.freeConnector; }},
    {"the range of an analogue reference is set when there is an input", kMaximumEdit, Aspect::kEnabled,
     [](const Reference& r) { return r.analogue && r.input; }},
    {"the dead band likewise", kDeadBandPointEdit, Aspect::kEnabled,
     [](const Reference& r) { return r.analogue && r.input; }},
    {"the analogue test likewise", kTestButton, Aspect::kEnabled,
     [](const Reference& r) { return r.analogue && r.input; }},
    {"the filter row when the filter is on and there is an input", kFilterEdit, Aspect::kShown,
     [](const Reference& r) { return r.input; }},
    {"the gear ratio of a digital reference in position mode with a free input", kMasterEdit, Aspect::kEnabled,
     [](const Reference& r) { return !r.analogue && r.positionMode() && r.freeConnector; }},
    {"the connector likewise", kConnectorCombo, Aspect::kEnabled,
     [](const Reference& r) { return !r.analogue && r.positionMode() && r.freeConnector; }},
    {"the kind of digital reference likewise", kIncrementalEncoderRadio, Aspect::kEnabled,
     [](const Reference& r) { return !r.analogue && r.positionMode() && r.freeConnector; }},
    {"a limit in position and speed mode", kLimitCheck, Aspect::kShown,
     [](const Reference& r) { return r.controlMode != 2; }},
    {"the acceleration limit of a digital position reference", kDigitalLimitEdit, Aspect::kShown,
     [](const Reference& r) { return r.limit && r.positionMode() && !r.analogue; }},
    {"the speed limit of an analogue position reference, the acceleration limit in speed mode", kAnalogueLimitEdit,
     Aspect::kShown,
     [](const Reference& r) { return r.limit && (r.controlMode == 1 || (r.positionMode() && r.analogue)); }},
};

class ReferenceDialogTest : public DriveSetupTest {
 protected:
  // A drive with or without the analogue input, and with or without an
  // input left for a digital reference: the motor encoder sits on the first
  // input, and the second takes a digital reference or not.
  void UseDrive(bool input, bool freeConnector) {
    UseEditedExample(kClosedLoopIncremental, [&](nlohmann::json& document) {
      if (!input) {
        document["parameters"].erase("CADIN");
        auto& variables = document["variables"];
        for (auto it = variables.begin(); it != variables.end();)
          it = (*it)["name"] == "CADIN" ? variables.erase(it) : it + 1;
      }
      document["capabilities"]["sensorInputs"][1]["digitalReference"] = freeConnector;
    });
    RunOpenerSequences();
    ASSERT_EQ(Base("MotorSensorType"), 1.0);
    ASSERT_EQ(Base("MotorSensorConnector"), 0.0);
  }
  INT_PTR RunReference(platform::UserScript& script) { return RunDialog<CAnalogReferenceDlg>(script); }
};

TEST_F(ReferenceDialogTest, EveryConfigurationOffersWhatTheDriveCanTake) {
  int checked = 0;
  int configurations = 0;
  for (bool input : {false, true})
    for (bool freeConnector : {false, true})
      for (int mode : {0, 1, 2}) {
        UseDrive(input, freeConnector);
        // The control mode decides the bindings: each opens its own dialog.
        SetBase("ControlMode", mode);
        SetBase("UseFilter", 1);
        platform::UserScript script;
        script.Call([&](CDialog& dialog) {
          for (bool analogue : {false, true})
            for (bool limit : {false, true}) {
              const Reference r{mode, analogue, limit, input, freeConnector};
              SetBase("isAnalogueReference", analogue);
              SetBase("isLimitMaximum", limit);
              // Without the input the switch cannot be set to analogue.
              if (Base("isAnalogueReference") != analogue) {
                EXPECT_FALSE(input) << r.Describe();
                continue;
              }
              ++configurations;
              dialog.UpdateData(FALSE);
              checked += CheckVisibility(dialog, r, kTable, r.Describe());
              if (mode != 2) {
                EXPECT_EQ(Seen(dialog, kLimitCheck).text,
                          mode == 0 && analogue ? "Limit maximum speed at" : "Limit maximum acceleration at")
                    << r.Describe();
              }
            }
        });
        script.Click(IDCANCEL);
        EXPECT_EQ(RunReference(script), IDCANCEL);
      }
  // Of the 48, the drives without the input have no analogue ones.
  EXPECT_EQ(configurations, 36);
  EXPECT_EQ(checked, configurations * static_cast<int>(kTable.size()));
}

TEST_F(ReferenceDialogTest, TheModeNamesTheRangeAndShowsItsPicture) {
  struct Case {
    int mode;
    const char* maximum;
    const char* minimum;
    const char* picture;
  };
  for (const Case c :
       {Case{0, "Maximum Position", "Minimum Position", "3003"}, Case{1, "Maximum Speed", "Minimum Speed", "3044"},
        Case{2, "Maximum Current", "Minimum Current", "3002"}}) {
    SCOPED_TRACE(c.mode);
    UseDrive(true, true);
    SetBase("ControlMode", c.mode);
    platform::UserScript script;
    script.Expect(kMaximumLabel, {.text = c.maximum})
        .Expect(kMinimumLabel, {.text = c.minimum})
        .Call([&](CDialog& dialog) { EXPECT_EQ(Seen(dialog, kScalePicture).bitmap, c.picture); })
        .Click(IDCANCEL);
    EXPECT_EQ(RunReference(script), IDCANCEL);
  }
}

TEST_F(ReferenceDialogTest, TestOpensTheAnalogueReferenceTest) {
  UseDrive(true, true);
  SetBase("isAnalogueReference", 1);
  platform::UserScript script;
  script.Click(kTestButton)
      .ExpectDialog("Analogue Reference Test")
      .Click(IDCANCEL)
      .ExpectDialog("External Reference Setup")
      .Click(IDCANCEL);
  EXPECT_EQ(RunReference(script), IDCANCEL);
}

TEST_F(ReferenceDialogTest, TheInputRangeLabelsTheScale) {
  struct Case {
    double range_V;
    const char* low;
    const char* high;
  };
  for (const Case c : {Case{20, "-10", "10"}, Case{5, "0", "5"}, Case{10, "0", "3.3"}}) {
    SCOPED_TRACE(c.range_V);
    UseDrive(true, true);
    SetBase("AnalogueInputsRange", c.range_V);
    platform::UserScript script;
    script.Expect(kInputLowLabel, {.text = c.low, .enabled = false})
        .Expect(kInputHighLabel, {.text = c.high, .enabled = false})
        .Click(IDCANCEL);
    EXPECT_EQ(RunReference(script), IDCANCEL);
  }
}

TEST_F(ReferenceDialogTest, GearRatioTermsAreRepaired) {
  struct Case {
    const char* master;
    const char* slave;
    double keptMaster;
    double keptSlave;
  };
  for (const Case c : {Case{"-3", "-2", 3, 2}, Case{"-3", "2", -3, 2}, Case{"0", "5", 1, 5}}) {
    SCOPED_TRACE(std::string(c.master) + " : " + c.slave);
    UseDrive(true, true);
    SetBase("isAnalogueReference", 0);
    platform::UserScript script;
    script.Type(kSlaveEdit, c.slave).Type(kMasterEdit, c.master).Click(IDOK);
    EXPECT_EQ(RunReference(script), IDOK);
    EXPECT_EQ(Base("GEARMASTER"), c.keptMaster);
    EXPECT_EQ(Base("GEARSLAVE"), c.keptSlave);
  }
}

TEST_F(ReferenceDialogTest, TheConnectorListLeavesOutTheSensorsInputs) {
  UseDrive(true, true);
  platform::UserScript script;
  script.Call(
      [](CDialog& dialog) { EXPECT_EQ(Seen(dialog, kConnectorCombo).items, std::vector<std::string>{"Feedback #2"}); });
  script.Click(IDCANCEL);
  EXPECT_EQ(RunReference(script), IDCANCEL);
}

TEST_F(ReferenceDialogTest, TheMinimumFollowsTheUnitOfTheMaximum) {
  UseDrive(true, true);
  SetBase("ControlMode", 1);
  SetBase("isAnalogueReference", 1);
  platform::UserScript script;
  script.Select(kMaximumUnit, "rpm").Call([&](CDialog&) {
    EXPECT_EQ(setup->FindParameter("SPD_min")->GetUnitName(), "rpm");
  });
  script.Click(IDCANCEL);
  EXPECT_EQ(RunReference(script), IDCANCEL);
}

TEST_F(ReferenceDialogTest, TheDeadBandWidthKeepsWithinWhatTheCentreLeaves) {
  UseDrive(true, true);
  SetBase("AnalogueInputsRange", 5);  // 0 to 5 V
  setup->SetOption("NewDeadBand", "0");
  SetBase("isAnalogueReference", 1);
  platform::UserScript script;
  script.Type(kDeadBandPointEdit, "1").Type(kDeadBandRangeEdit, "3").Call([&](CDialog&) {
    // A centre at 1 V leaves 1 V on its lower side.
    EXPECT_LE(Base("DeadBand_Range"), 1.0 + 1e-3);
  });
  script.Click(IDOK);
  EXPECT_EQ(RunReference(script), IDOK);
}

TEST_F(ReferenceDialogTest, CancelLeavesTheSetupExactlyAsItWas) {
  UseDrive(true, true);
  const std::string before = kernel::SerializeSetup(*setup);
  platform::UserScript script;
  script.Click(kDigitalRadio)
      .Type(kMasterEdit, "-4")
      .Type(kSlaveEdit, "-7")
      .Click(kAnalogueRadio)
      .Select(kMaximumUnit, "deg")
      .Type(kMaximumEdit, "90")
      .Click(IDCANCEL);
  EXPECT_EQ(RunReference(script), IDCANCEL);
  EXPECT_TRUE(SameSetup(before, *setup));
}

TEST_F(ReferenceDialogTest, HelpOpensTheDialogsTopic) {
  UseDrive(true, true);
  ExpectHelpTopic(262401, [&](platform::UserScript& script) { EXPECT_EQ(RunReference(script), IDCANCEL); });
}

TEST_F(ReferenceDialogTest, TheDriveSetupOpensItForAnExternalReference) {
  UseExample(kClosedLoopIncremental);
  platform::UserScript script;
  script.Expect(drivesetup::kReferenceSetupButton, {.enabled = false})
      .Click(drivesetup::kExternalReferenceRadio)
      .Click(drivesetup::kReferenceSetupButton)
      .ExpectDialog("External Reference Setup")
      .Click(kDigitalRadio)
      .Click(kIncrementalEncoderRadio)
      .Click(IDOK)
      .ExpectDialog("Drive Setup")
      .Expect(drivesetup::kDigitalReferenceLabel, {.text = "Incremental Encoder"})
      .Click(IDOK);
  EXPECT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_EQ(Base("DigitalReferenceType"), 1.0);
  EXPECT_EQ(Base("isAnalogueReference"), 0.0);
}

}  // namespace
}  // namespace dialogtest
