#include <string>
#include <vector>

#include "unittests/dialogs/drive_setup_test_support.h"
#include "unittests/dialogs/visibility_table.h"

namespace dialogtest {
namespace {

using namespace drivesetup;

// One configuration of the axis, as the motor dialog would leave it.
struct Axis {
  int controlType;          // "StepperControlType": 0 open loop, 1 closed loop
  int controlMode;          // "ControlMode": 0 position, 1 speed, 2 torque
  int positionControlType;  // "PositionControlType": 1 position loop over the speed loop
  int motorSensor;          // "MotorSensorType": 0 none, 1 incremental, 3 SSI
  int loadSensor;           // "LoadSensorType": 0 none, 1 incremental

  bool closedLoop() const { return controlType == 1; }
  bool openLoop() const { return controlType == 0; }
  bool positionMode() const { return controlMode == 0; }
  bool speedMode() const { return controlMode == 1; }
  // In open loop a load sensor lets the drive close a position loop itself.
  bool openLoopOnLoadSensor() const { return openLoop() && loadSensor != 0; }
  bool anySensorFeedback() const { return closedLoop() || openLoopOnLoadSensor(); }
  // The example firmware corrects position errors in open loop with a load
  // sensor instead of running a position controller.
  bool correctsPositionErrors() const { return openLoopOnLoadSensor(); }
  bool speedLoopClosed() const {
    return closedLoop() && (speedMode() || (positionMode() && positionControlType == 1));
  }
  bool positionControllerInLoop() const {
    return anySensorFeedback() && (positionMode() || (openLoopOnLoadSensor() && speedMode()));
  }
  // The position controller commands a speed, which the load speed limit caps.
  bool positionOutputIsSpeed() const {
    if (closedLoop()) return speedMode() || (positionMode() && positionControlType == 1);
    return openLoopOnLoadSensor() && (positionMode() || speedMode());
  }
  bool startsFromAbsoluteEncoder() const {
    const int startSensor = motorSensor != 0 ? motorSensor : loadSensor;
    return closedLoop() && startSensor == 3;
  }
  std::string Describe() const {
    return "CT " + std::to_string(controlType) + " CM " + std::to_string(controlMode) + " PCT " +
           std::to_string(positionControlType) + " MST " + std::to_string(motorSensor) + " LST " +
           std::to_string(loadSensor);
  }
};

using Row = VisibilityRow<Axis>;

// What a reader expects of the main groups, row by row.
const std::vector<Row> kTable{
    {"current limit shown iff closed loop", kCurrentLimitEdit, Aspect::kShown, [](const Axis& a) { return a.closedLoop(); }},
    {"run current shown iff open loop", kRunCurrentEdit, Aspect::kShown, [](const Axis& a) { return a.openLoop(); }},
    {"stand-by current shown iff open loop", kStandByCurrentEdit, Aspect::kShown,
     [](const Axis& a) { return a.openLoop(); }},
    {"microsteps shown iff open loop", kMicrostepsEdit, Aspect::kShown, [](const Axis& a) { return a.openLoop(); }},
    {"torque selectable iff closed loop", kTorqueModeRadio, Aspect::kEnabled,
     [](const Axis& a) { return a.closedLoop(); }},
    {"speed controller shown iff closed loop", kSpeedGroup, Aspect::kShown, [](const Axis& a) { return a.closedLoop(); }},
    {"speed controller editable iff the speed loop is closed", kKpSpeedEdit, Aspect::kEnabled,
     [](const Axis& a) { return a.speedLoopClosed(); }},
    {"speed tuning offered iff the speed loop is closed", kSpeedTuneButton, Aspect::kEnabled,
     [](const Axis& a) { return a.speedLoopClosed(); }},
    {"position controller shown unless errors are corrected instead", kPositionGroup, Aspect::kShown,
     [](const Axis& a) { return !a.correctsPositionErrors(); }},
    {"position error correction shown iff errors are corrected", kCorrectionGroup, Aspect::kShown,
     [](const Axis& a) { return a.correctsPositionErrors(); }},
    {"position controller editable iff it is in the loop", kKpPositionEdit, Aspect::kEnabled,
     [](const Axis& a) { return a.positionControllerInLoop(); }},
    {"load speed limit shown iff the position controller commands a speed", kLoadSpeedLimitEdit, Aspect::kShown,
     [](const Axis& a) { return a.positionOutputIsSpeed(); }},
    {"speed feed-forward of the speed controller shown iff closed-loop speed mode",
     kSpeedAccelerationFeedForwardEdit, Aspect::kShown, [](const Axis& a) { return a.closedLoop() && a.speedMode(); }},
    {"position feed-forward shown in position mode, or whenever the load sensor closes the position loop",
     kPositionAccelerationFeedForwardEdit, Aspect::kShown,
     [](const Axis& a) { return a.openLoopOnLoadSensor() ? !a.correctsPositionErrors() : a.positionMode(); }},
    {"position error protection available iff position mode with some feedback", kPositionErrorCheck,
     Aspect::kEnabled,
     [](const Axis& a) { return a.positionMode() && !(a.openLoop() && a.motorSensor == 0 && a.loadSensor == 0); }},
    {"speed error protection available iff closed-loop speed mode", kSpeedErrorCheck, Aspect::kEnabled,
     [](const Axis& a) { return a.closedLoop() && a.speedMode(); }},
    {"motion complete settings shown iff position mode with sensor feedback", kMotionCompleteGroup, Aspect::kShown,
     [](const Axis& a) { return a.positionMode() && a.anySensorFeedback(); }},
    {"direct start shown iff it can start from an absolute encoder", kAbsoluteStartRadio, Aspect::kShown,
     [](const Axis& a) { return a.startsFromAbsoluteEncoder(); }},
    {"motionless start shown otherwise", kMotionlessStartRadio, Aspect::kShown,
     [](const Axis& a) { return !a.startsFromAbsoluteEncoder(); }},
};

class DriveSetupVisibility : public DriveSetupTest {
 protected:
  void Configure(const Axis& axis) {
    SetBase("StepperControlType", axis.controlType);
    SetBase("ControlMode", axis.controlMode);
    SetBase("PositionControlType", axis.positionControlType);
    SetBase("MotorSensorType", axis.motorSensor);
    SetBase("LoadSensorType", axis.loadSensor);
  }
};

TEST_F(DriveSetupVisibility, MainGroupsFollowEveryConfiguration) {
  UseExample(kClosedLoopIncremental);
  platform::UserScript script;
  script.Call([this](CDialog& dialog) {
    // The features whose rows the table reads: position error correction in
    // open loop, the default motion complete, feed-forward in the slow loop.
    SetBase("SOLmodeEncOnLoad", 1);
    SetBase("MotionCompleteType", 0);
    SetBase("PosSpd_in_FastLoop", 0);
    int checked = 0;
    for (int ct : {0, 1})
      for (int cm : {0, 1, 2})
        for (int pct : {0, 1})
          for (int mst : {0, 1, 3})
            for (int lst : {0, 1}) {
              const Axis axis{ct, cm, pct, mst, lst};
              Configure(axis);
              dialog.UpdateData(FALSE);
              checked += CheckVisibility(dialog, axis, kTable, axis.Describe());
            }
    EXPECT_EQ(checked, 72 * static_cast<int>(kTable.size()));
  });
  script.Click(IDCANCEL);
  EXPECT_EQ(RunDriveSetup(script), IDCANCEL);
}

}  // namespace
}  // namespace dialogtest
