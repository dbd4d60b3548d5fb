#include "commissioning/speed_tuning_test.h"

#include "commissioning/speed_tuning_test_controls.h"
#include "commissioning/tuning_setup.h"
#include "kernel/errors.h"
#include "kernel/missing_value.h"
#include "kernel/name_key.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

namespace {

const CMotionTuningTest::Names kNames{
    .templateId = speed_tuning::kTemplateId,
    .helpContext = speed_tuning::kHelpContext,
    .onlinePlot = "OnlinePlotS",
    .multiCycle = "MultiCycleS",
    .scopeSettings = "SpeedTuningOscSettings",
    .plotName = "SpeedTuning",
    .inertiaTestButton = speed_tuning::kInertiaTestButton,
    .logged = {"Speed_Reference", "Load_Speed", "Current_Reference", "Motor_Current"},
    .liveReference = "Speed_Reference",
    .liveFeedback = "Load_Speed",
    .controlled = commissioning::Controlled::kSpeed,
    .program = "Speed_Controller_Tuning_Test",
    .tune = &CMotionTuningTest::TuneBy<&commissioning::TuneSpeedController>,
    .tunedGains = {"Kp_S_scl", "Ki_S_scl"},
};

double Internal(const CVX_Setup* setup, const char* name) {
  const kernel::QuietErrors quiet;
  return setup ? setup->GetParameterValueInInternalUnit(name) : kMissingValue;
}

}  // namespace

CTestSpeedTuning::CTestSpeedTuning(CVX_Setup* setup, const commissioning::SetupDialogOpeners& openers,
                                   CWnd* pParent)
    : CMotionTuningTest(setup, kNames, openers, pParent) {
  using namespace speed_tuning;
  AddParameterControls("Limit_Speed", kSpeedLimitEdit, kSpeedLimitUnit);
  AddParameterControls("TestSpeed", kTestSpeedEdit, kTestSpeedUnit);
  AddParameterControls("TPS", kHoldTimeEdit, kHoldTimeUnit);
  AddParameterControls("TNS", kRestTimeEdit, kRestTimeUnit);
  AddParameterControls("TaPS", kRiseTimeEdit, kRiseTimeUnit);
  AddParameterControls("TaNS", kFallTimeEdit, kFallTimeUnit);
  if (setup && kernel::HasParameter(*setup, "SpeedTestReferenceType"))
    AddSwitchParameterControls("SpeedTestReferenceType", kOneWayRadio, kBothWaysRadio);
  AddSlider("Kp_S_scl", kKpEdit, {kKpDown, kKpSlider, kKpUp});
  AddSlider("Ki_S_scl", kKiEdit, {kKiDown, kKiSlider, kKiUp});
  AddSlider("IPSatS", kIntegralLimitEdit, {kIntegralLimitDown, kIntegralLimitSlider, kIntegralLimitUp});
  AddSlider("KFFS_scl", kSpeedFeedForwardEdit, {kSpeedFeedForwardDown, kSpeedFeedForwardSlider, kSpeedFeedForwardUp});
  AddSlider("KFFA_scl", kAccelerationFeedForwardEdit,
            {kAccelerationFeedForwardDown, kAccelerationFeedForwardSlider, kAccelerationFeedForwardUp});
  AddSlider("PB_S", kBandwidthEdit, {kBandwidthDown, kBandwidthSlider, kBandwidthUp});
  // Shown as the drive will run it from the start.
  if (setup) commissioning::QuantiseTestSpeed(*setup);
}

void CTestSpeedTuning::OnChangedParameterValue(const std::string& name) {
  if (kernel::SameName(name, "TestSpeed")) commissioning::QuantiseTestSpeed(*GetSetup());
  CMotionTuningTest::OnChangedParameterValue(name);
}

commissioning::Result<CMotionTuningTest::PlannedRun> CTestSpeedTuning::PlanRun() {
  const std::optional<double> speed = commissioning::QuantiseTestSpeed(*GetSetup());
  if (!speed) return commissioning::Failure{"The test speed cannot be converted into the drive's units: check the "
                                              "encoder resolution and the loop timing."};
  const auto profile = commissioning::SpeedProfileOf(*GetSetup(), *speed);
  if (!profile.ok()) return commissioning::Failure{ProfileErrorText(profile.error())};
  return PlannedRun{profile.value(), *speed};
}

bool CTestSpeedTuning::WriteLimitInputs(CVX_CoffFormat& coff) {
  std::string error;
  for (const auto& [input, parameter] :
       {std::pair{"IlimPS_Test", "TestLimitCurrent"}, {"Imax_Prot_Test", "TestProtectionCurrent"}}) {
    const double value = Internal(GetSetup(), parameter);
    if (value == kMissingValue) {
      FailInternal();
      return false;
    }
    if (!SetUserVariableValue(coff, input, value, error)) {
      Fail(error);
      return false;
    }
  }
  return true;
}
