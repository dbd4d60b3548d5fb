// What the Step Motor and Load Setup dialog shows and lets the person
// change, over every combination of control type, motor type, motor
// sensor, load sensor, kind of load and intelligent motor. Each row says in
// words what a reader expects and checks it as a predicate of the axis.

#include <string>
#include <vector>

#include "unittests/dialogs/motor_setup_test_support.h"
#include "unittests/dialogs/visibility_table.h"

namespace dialogtest {
namespace {

using namespace motorsetup;

// One configuration of the axis.
struct Axis {
  int controlType;  // 0 open loop, 1 closed loop
  int motorType;    // 0 bi-phase, 1 tri-phase
  int motorSensor;  // 0 none, 1 incremental, 2 sine/cosine, 3 SSI, 4 BiSS
  int loadSensor;
  bool linearLoad;
  bool intelligentMotor;  // the motor carries its own data: locked without the expert chord

  bool closedLoop() const { return controlType == 1; }
  bool openLoop() const { return controlType == 0; }
  bool biPhase() const { return motorType == 0; }
  static bool counts(int sensor) { return sensor == 1 || sensor == 2; }  // incremental or sine/cosine
  static bool serial(int sensor) { return sensor == 3 || sensor == 4; }
  bool editable() const { return !intelligentMotor; }
  std::string Describe() const {
    return "CT " + std::to_string(controlType) + " motor " + std::to_string(motorType) + " MST " +
           std::to_string(motorSensor) + " LST " + std::to_string(loadSensor) + (linearLoad ? " linear" : " rotary") +
           (intelligentMotor ? " intelligent" : "");
  }
};

using Row = VisibilityRow<Axis>;

const std::vector<Row> kTable{
    // motor
    {"motor inertia asked only of a closed-loop bi-phase motor", kInertiaEdit, Aspect::kShown,
     [](const Axis& a) { return a.biPhase() && a.closedLoop(); }},
    {"motor inertia unknown box beside it", kInertiaUnknownCheck, Aspect::kShown,
     [](const Axis& a) { return a.biPhase() && a.closedLoop(); }},
    {"motor inertia typed unless locked (its value is known)", kInertiaEdit, Aspect::kEnabled,
     [](const Axis& a) { return a.editable(); }},
    {"star/delta only for a tri-phase motor", kStarRadio, Aspect::kShown, [](const Axis& a) { return !a.biPhase(); }},
    {"closed loop only for a bi-phase motor", kClosedLoopRadio, Aspect::kEnabled,
     [](const Axis& a) { return a.biPhase(); }},
    {"motor data editable unless locked", kResistanceEdit, Aspect::kEnabled,
     [](const Axis& a) { return a.editable(); }},
    {"motor database editable unless locked", kDatabaseCombo, Aspect::kEnabled,
     [](const Axis& a) { return a.editable(); }},
    {"motor type editable unless locked", kTriPhaseRadio, Aspect::kEnabled, [](const Axis& a) { return a.editable(); }},
    {"R and L identification unless locked", kResistanceTestButton, Aspect::kEnabled,
     [](const Axis& a) { return a.editable(); }},
    {"temperature sensor type chosen when unlocked (the sensor is on)", kNtcRadio, Aspect::kEnabled,
     [](const Axis& a) { return a.editable(); }},
    // motor sensor
    {"motor connector once a motor sensor is chosen", kMotorConnectorCombo, Aspect::kShown,
     [](const Axis& a) { return a.motorSensor != 0; }},
    {"encoder lines of a counting motor sensor", kMotorLinesEdit, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.motorSensor); }},
    {"lines unit unless the motor states bits", kMotorLinesUnit, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.motorSensor) && !a.intelligentMotor; }},
    {"bits per revolution for an intelligent motor's incremental encoder", kMotorBitsLabel, Aspect::kShown,
     [](const Axis& a) { return a.motorSensor == 1 && a.intelligentMotor; }},
    {"encoder connection test for a counting motor sensor", kMotorEncoderTestButton, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.motorSensor); }},
    {"resolution detection for a counting motor sensor", kResolutionTestButton, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.motorSensor); }},
    {"resolution detection unless locked", kResolutionTestButton, Aspect::kEnabled,
     [](const Axis& a) { return a.editable(); }},
    {"reverse counting of a counting motor sensor", kMotorReverseCheck, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.motorSensor); }},
    {"reverse counting changed unless locked", kMotorReverseCheck, Aspect::kEnabled,
     [](const Axis& a) { return a.editable(); }},
    {"interpolation of a sine/cosine motor encoder", kMotorInterpolationCombo, Aspect::kShown,
     [](const Axis& a) { return a.motorSensor == 2; }},
    {"equivalent resolution of a sine/cosine motor encoder", kMotorEquivalentEdit, Aspect::kShown,
     [](const Axis& a) { return a.motorSensor == 2; }},
    {"serial word of an SSI or BiSS motor encoder", kMotorRevolutionBitsEdit, Aspect::kShown,
     [](const Axis& a) { return Axis::serial(a.motorSensor); }},
    {"serial clock of an SSI or BiSS motor encoder", kMotorClockCombo, Aspect::kShown,
     [](const Axis& a) { return Axis::serial(a.motorSensor); }},
    {"serial encoder connection test", kMotorSerialTestButton, Aspect::kShown,
     [](const Axis& a) { return Axis::serial(a.motorSensor); }},
    {"serial offset only where it commutates: closed loop", kSerialOffsetButton, Aspect::kShown,
     [](const Axis& a) { return Axis::serial(a.motorSensor) && a.closedLoop(); }},
    {"motor encoder filter for a counting motor sensor", kMotorFilterCheck, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.motorSensor); }},
    {"motor encoder filter changed unless locked", kMotorFilterCheck, Aspect::kEnabled,
     [](const Axis& a) { return a.editable(); }},
    // load sensor
    {"load connector once a load sensor is chosen", kLoadConnectorCombo, Aspect::kShown,
     [](const Axis& a) { return a.loadSensor != 0; }},
    {"load encoder lines on a rotary load", kLoadLinesEdit, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.loadSensor) && !a.linearLoad; }},
    {"load lines unit unless the motor states bits", kLoadLinesUnit, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.loadSensor) && !a.linearLoad && !a.intelligentMotor; }},
    {"load travel per count on a linear load", kLoadResolutionEdit, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.loadSensor) && a.linearLoad; }},
    {"load travel unit unless the motor states bits", kLoadResolutionUnit, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.loadSensor) && a.linearLoad && !a.intelligentMotor; }},
    {"bits per revolution of an intelligent motor's load encoder", kLoadBitsLabel, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.loadSensor) && a.intelligentMotor; }},
    {"load encoder connection test", kLoadEncoderTestButton, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.loadSensor); }},
    {"load resolution typed unless locked", kLoadLinesEdit, Aspect::kEnabled,
     [](const Axis& a) { return a.editable(); }},
    {"interpolation of a sine/cosine load encoder", kLoadInterpolationCombo, Aspect::kShown,
     [](const Axis& a) { return a.loadSensor == 2; }},
    {"equivalent counts of a sine/cosine load encoder on a rotary load", kLoadEquivalentEdit, Aspect::kShown,
     [](const Axis& a) { return a.loadSensor == 2 && !a.linearLoad; }},
    {"interpolated travel of a sine/cosine load encoder on a linear load", kLoadInterpolatedEdit, Aspect::kShown,
     [](const Axis& a) { return a.loadSensor == 2 && a.linearLoad; }},
    {"serial word of a rotary serial load encoder", kLoadRevolutionBitsEdit, Aspect::kShown,
     [](const Axis& a) { return Axis::serial(a.loadSensor) && !a.linearLoad; }},
    {"travel per count of a linear serial load encoder", kLoadLinearResolutionEdit, Aspect::kShown,
     [](const Axis& a) { return Axis::serial(a.loadSensor) && a.linearLoad; }},
    {"serial clock of a serial load encoder", kLoadClockCombo, Aspect::kShown,
     [](const Axis& a) { return Axis::serial(a.loadSensor); }},
    {"serial load encoder connection test", kLoadSerialTestButton, Aspect::kShown,
     [](const Axis& a) { return Axis::serial(a.loadSensor); }},
    {"reverse counting of a counting load sensor", kLoadReverseCheck, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.loadSensor); }},
    {"load encoder filter for a counting load sensor", kLoadFilterCheck, Aspect::kShown,
     [](const Axis& a) { return Axis::counts(a.loadSensor); }},
};

class MotorSetupVisibility : public MotorSetupTest {
 protected:
  void Configure(const Axis& axis) {
    SetBase("StepperControlType", axis.controlType);
    SetBase("StepperMotorType", axis.motorType);
    SetBase("MotorSensorType", axis.motorSensor);
    SetBase("LoadSensorType", axis.loadSensor);
    SetBase("TransmissionType", axis.linearLoad ? 1 : 0);
    setup->SetOption("isIntelligentMotor", axis.intelligentMotor ? "1" : "0");
  }
};

TEST_F(MotorSetupVisibility, EveryConfigurationShowsWhatTheAxisNeeds) {
  // The drive reads every sensor type on both sides.
  Open(kClosedLoopSsi);
  platform::UserScript script;
  script.Call([this](CDialog& dialog) {
    // The features the rows take for granted: a motor temperature sensor,
    // a known motor inertia.
    SetBase("isMotorTemperatureSensor", 1);
    SetBase("isMotorInertiaUnknown", 0);
    int checked = 0;
    for (int ct : {0, 1})
      for (int motorType : {0, 1})
        for (int mst = 0; mst <= 4; ++mst)
          for (int lst = 0; lst <= 4; ++lst)
            for (bool linear : {false, true})
              for (bool intelligent : {false, true}) {
                const Axis axis{ct, motorType, mst, lst, linear, intelligent};
                Configure(axis);
                dialog.UpdateData(FALSE);
                checked += CheckVisibility(dialog, axis, kTable, axis.Describe());
                // The sensor groups say what the sensors are for.
                EXPECT_EQ(Seen(dialog, kMotorSensorGroup).text,
                          axis.openLoop() ? "Motor sensors - used only for step loss detection" : "Motor sensors");
                EXPECT_EQ(Seen(dialog, kLoadSensorGroup).text,
                          axis.openLoop() ? "Load sensors - used for load position control" : "Load sensors");
              }
    EXPECT_EQ(checked, 400 * static_cast<int>(kTable.size()));
  });
  script.Click(IDCANCEL);
  EXPECT_EQ(RunMotorSetup(script), IDCANCEL);
}

TEST_F(MotorSetupVisibility, MultiTurnBitsOnlyForAMultiTurnEncoder) {
  Open(kClosedLoopSsi);
  platform::UserScript script;
  script.Expect(kMotorTurnBitsEdit, {.enabled = false})
      .Click(kMotorMultiTurnRadio)
      .Expect(kMotorTurnBitsEdit, {.enabled = true})
      .Click(kMotorSingleTurnRadio)
      .Expect(kMotorTurnBitsEdit, {.enabled = false})
      .Click(IDCANCEL);
  EXPECT_EQ(RunMotorSetup(script), IDCANCEL);
}

TEST_F(MotorSetupVisibility, InertiaGreysWhenUnknownAndTemperatureTypeFollowsItsSensor) {
  Open(kClosedLoopIncremental);
  platform::UserScript script;
  script.Check(kInertiaUnknownCheck, true)
      .Expect(kInertiaEdit, {.enabled = false})
      .Expect(kInertiaLabel, {.enabled = false})
      .Check(kInertiaUnknownCheck, false)
      .Expect(kInertiaEdit, {.enabled = true})
      .Check(kTemperatureCheck, false)
      .Expect(kPtcRadio, {.enabled = false})
      .Check(kTemperatureCheck, true)
      .Expect(kPtcRadio, {.enabled = true})
      .Click(IDCANCEL);
  EXPECT_EQ(RunMotorSetup(script), IDCANCEL);
}

}  // namespace
}  // namespace dialogtest
