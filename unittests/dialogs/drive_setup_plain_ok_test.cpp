// A person who opens the Drive Setup, looks at the motor dialog it opens,
// and leaves both with OK has changed nothing: every stored value comes back
// as it was, up to the quantisation of the registers it passes through, and
// a second visit changes nothing at all.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "kernel/parameter.h"
#include "kernel/value_type.h"
#include "unittests/dialogs/drive_setup_test_support.h"

namespace dialogtest {
namespace {

std::map<std::string, const CVX_Parameter*> ByName(const CVX_Setup& setup) {
  std::map<std::string, const CVX_Parameter*> parameters;
  for (const CVX_Parameter* parameter : setup.GetParameters()) parameters[parameter->GetName()] = parameter;
  return parameters;
}

std::map<std::string, double> InternalValues(const CVX_Setup& setup) {
  std::map<std::string, double> values;
  for (const auto& [name, parameter] : ByName(setup)) values[name] = parameter->GetValueInInternalUnit();
  return values;
}

class DriveSetupPlainOk : public DriveSetupTest {
 protected:
  void VisitWithOk() {
    platform::UserScript script;
    script.Wait(100)
        .ExpectDialog("Step Motor and Load Setup")
        .Click(IDOK)
        .ExpectDialog("Drive Setup")
        .Click(IDOK);
    ASSERT_EQ(RunDriveSetup(script), IDOK);
  }
};

TEST_F(DriveSetupPlainOk, KeepsEveryStoredValueAndASecondVisitKeepsThemExactly) {
  for (const char* example : testsupport::kExampleNames) {
    SCOPED_TRACE(example);
    UseExample(example);
    const std::map<std::string, double> stored = InternalValues(*setup);
    const auto types = ByName(*setup);
    VisitWithOk();
    const std::map<std::string, double> first = InternalValues(*setup);
    ASSERT_EQ(first.size(), stored.size());
    for (const auto& [name, before] : stored) {
      SCOPED_TRACE(name);
      const double after = first.at(name);
      // A register may move by one count where the user value recovered
      // from it lies on a rounding edge; a user value only by the rounding
      // of the recovery arithmetic.
      const bool whole = types.at(name)->GetType() != static_cast<int>(kernel::ValueType::kDouble);
      EXPECT_NEAR(after, before, whole ? 1.0 : 1e-5 * std::max(1.0, std::abs(before)));
    }
    VisitWithOk();
    EXPECT_EQ(InternalValues(*setup), first);
  }
}

// Where the correction on the load sensor is on, the window in use is the
// default motion complete's band, and the dialog shows that one.
TEST_F(DriveSetupPlainOk, TheCorrectionWindowInUseIsTheDefaultMotionCompleteBand) {
  UseExample(kOpenLoopLoadEncoder);
  SetBase("LoadSensorType", 1);
  SetBase("LoadSensorConnector", 1);
  SetBase("SOLmodeEncOnLoad", 1);
  SetBase("MotionCompleteType", 0);
  // The dialog opens from the registers: they say the same.
  RunOpenerSequences();
  const double band = Base("MotionCompleteSettleBand");
  ASSERT_NE(Base("ErrMaxUser"), band);
  platform::UserScript script;
  script.Expect(drivesetup::kCorrectionWindowEdit, {.visible = true, .enabled = false}).Click(IDOK);
  ASSERT_EQ(RunDriveSetup(script), IDOK);
  EXPECT_DOUBLE_EQ(Base("ErrMaxUser"), band);
}

}  // namespace
}  // namespace dialogtest
