#include "commissioning/position_tuning_test.h"

#include <cmath>

#include "commissioning/live_gains.h"
#include "commissioning/position_tuning_test_controls.h"
#include "commissioning/tuning_setup.h"
#include "engine/controller_saturations.h"
#include "engine/scales.h"
#include "kernel/errors.h"
#include "kernel/missing_value.h"
#include "kernel/parameter.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

namespace {

// The drive's full scale: a saturation register holds 32767 less its limit.
constexpr double kFullScale = 32767.0;

double Value(const CVX_Setup* setup, const char* name, bool internal = false) {
  const kernel::QuietErrors quiet;
  if (!setup) return kMissingValue;
  return internal ? setup->GetParameterValueInInternalUnit(name) : setup->GetParameterValueInBaseUnit(name);
}

bool ClosedLoop(const CVX_Setup* setup) { return Value(setup, "StepperControlType") != 0.0; }
bool ThroughSpeedLoop(const CVX_Setup* setup) {
  return Value(setup, "PositionControlType") == commissioning::kPositionThroughSpeedLoop;
}

CMotionTuningTest::Names NamesFor(const CVX_Setup* setup) {
  const bool commandsCurrent = ClosedLoop(setup) && !ThroughSpeedLoop(setup);
  CMotionTuningTest::Names names{
      .templateId = position_tuning::kTemplateId,
      .helpContext = position_tuning::kHelpContext,
      .onlinePlot = "OnlinePlotP",
      .multiCycle = "MultiCycleP",
      .scopeSettings = "PositionTuningOscSettings",
      .plotName = "PositionTuning",
      .inertiaTestButton = position_tuning::kInertiaTestButton,
      .logged = {"Target_Position", "Load_Position"},
      .liveReference = "Target_Position",
      .liveFeedback = "Load_Position",
      .controlled = commissioning::Controlled::kPosition,
      .program = setup ? CTestPositionTuning::ProgramFor(*setup) : std::string(),
      .tune = &CMotionTuningTest::TuneBy<&commissioning::TunePositionController>,
      .tunedGains = {"Kp_P_scl", "Ki_P_scl", "Kd_P_scl"},
  };
  if (commandsCurrent) {
    names.logged.insert(names.logged.end(), {"Current_Reference", "Motor_Current"});
  } else {
    names.logged.insert(names.logged.end(), {"Speed_Reference", "Load_Speed"});
  }
  return names;
}

}  // namespace

BEGIN_MESSAGE_MAP(CTestPositionTuning, CMotionTuningTest)
  ON_BN_CLICKED(position_tuning::kFeedForwardFromTransmissionButton, &CTestPositionTuning::OnFeedForwardFromTransmission)
END_MESSAGE_MAP()

std::string CTestPositionTuning::ProgramFor(const CVX_Setup& setup) {
  if (!ClosedLoop(&setup)) return "Position_Controller_Tuning_Test_with_SpdCtrl_SOL";
  if (ThroughSpeedLoop(&setup)) return "Position_Controller_Tuning_Test_with_SpdCtrl_SCL";
  return "Position_Controller_Tuning_Test_without_SpdCtrl";
}

CTestPositionTuning::CTestPositionTuning(CVX_Setup* setup, const commissioning::SetupDialogOpeners& openers,
                                         CWnd* pParent)
    : CMotionTuningTest(setup, NamesFor(setup), openers, pParent),
      m_commandsCurrent(ClosedLoop(setup) && !ThroughSpeedLoop(setup)),
      m_speedFeedForward(setup && kernel::HasParameter(*setup, "KFFS")) {
  using namespace position_tuning;
  AddParameterControls("TestPosition", kTestPositionEdit, kTestPositionUnit);
  if (!ClosedLoop(setup) || (Value(setup, "ControlMode") == 0.0 && ThroughSpeedLoop(setup)))
    AddParameterControls("Limit_Speed", kSpeedLimitEdit, kSpeedLimitUnit);
  AddParameterControls("TPP", kHoldTimeEdit, kHoldTimeUnit);
  AddParameterControls("TNP", kRestTimeEdit, kRestTimeUnit);
  AddParameterControls("TaPP", kRiseTimeEdit, kRiseTimeUnit);
  AddParameterControls("TaNP", kFallTimeEdit, kFallTimeUnit);
  AddParameterControls("filter_D", kDerivativeFilterEdit);
  if (setup && kernel::HasParameter(*setup, "PositionTestReferenceType"))
    AddSwitchParameterControls("PositionTestReferenceType", kOneWayRadio, kBothWaysRadio);
  if (setup && kernel::HasParameter(*setup, "MotionCompleteDefaultSettings")) {
    AddSwitchParameterControls("MotionCompleteType", kSettleBandRadio, kReferenceEndsRadio);
    AddParameterControls("MotionCompleteSettleBand", kSettleBandEdit, kSettleBandUnit);
    AddParameterControls("MotionCompleteStabilizeTime", kStabilizeTimeEdit, kStabilizeTimeUnit);
  }
  AddSlider("Kp_P_scl", kKpEdit, {kKpDown, kKpSlider, kKpUp});
  AddSlider("Ki_P_scl", kKiEdit, {kKiDown, kKiSlider, kKiUp});
  AddSlider("Kd_P_scl", kKdEdit, {kKdDown, kKdSlider, kKdUp});
  AddSlider("IPSatP", kIntegralLimitEdit, {kIntegralLimitDown, kIntegralLimitSlider, kIntegralLimitUp});
  if (m_speedFeedForward)
    AddSlider("KFFS_scl", kSpeedFeedForwardEdit, {kSpeedFeedForwardDown, kSpeedFeedForwardSlider, kSpeedFeedForwardUp});
  AddSlider("KFFA_scl", kAccelerationFeedForwardEdit,
            {kAccelerationFeedForwardDown, kAccelerationFeedForwardSlider, kAccelerationFeedForwardUp});
  AddSlider("PB_P", kBandwidthEdit, {kBandwidthDown, kBandwidthSlider, kBandwidthUp});
}

commissioning::Result<CMotionTuningTest::PlannedRun> CTestPositionTuning::PlanRun() {
  const auto target = commissioning::TestPositionCounts(*GetSetup());
  if (!target)
    return commissioning::Failure{"The test position cannot be converted into the drive's position counts: check "
                                  "the resolution and the transmission."};
  const auto profile = commissioning::PositionProfileOf(*GetSetup(), *target);
  if (!profile.ok()) return commissioning::Failure{ProfileErrorText(profile.error())};
  return PlannedRun{profile.value(), *target};
}

bool CTestPositionTuning::WriteLimitInputs(CVX_CoffFormat& coff) {
  CVX_Setup& setup = *GetSetup();
  const kernel::QuietErrors quiet;
  CVX_Parameter* limit = setup.FindParameter("IlimPS");
  const double testLimit = Value(&setup, "TestLimitCurrent", m_commandsCurrent);
  if (!limit || testLimit == kMissingValue) {
    FailInternal();
    return false;
  }
  std::string error;
  if (m_commandsCurrent) {
    limit->SetValueInInternalUnit(testLimit);
    if (SetUserVariableValue(coff, "IlimPS_Test", limit->GetValueInInternalUnit(), error)) return true;
    Fail(error);
    return false;
  }
  // The position loop's output is a speed; its saturation follows the
  // current limit through the speed loop's registers.
  limit->SetValueInBaseUnit(testLimit);
  engine::ComputeIMAXS(setup);
  engine::ComputeSATS(setup);
  engine::ComputeSATP(setup);
  for (const char* name : {"IMAXS", "SATS", "SATP"}) DriveWrites().Note(name);
  const double sats = Value(&setup, "SATS", true);
  if (sats == kMissingValue) {
    FailInternal();
    return false;
  }
  if (SetUserVariableValue(coff, "LimitSpeed_Test", kFullScale - sats, error)) return true;
  Fail(error);
  return false;
}

void CTestPositionTuning::OnFeedForwardFromTransmission() {
  if (!m_speedFeedForward) return;
  const double transmission = Value(GetSetup(), "TRANSMISSION", true);
  if (transmission == kMissingValue) return;
  {
    const kernel::QuietErrors quiet;
    if (CVX_Parameter* feedForward = GetSetup()->FindParameter("KFFS_scl"))
      feedForward->SetValueInBaseUnit(std::fabs(transmission));
  }
  OnChangedParameterValue("KFFS_scl");
  RefreshAllParameters();
}
