#include "commissioning/current_tuning_test.h"

#include "commissioning/current_gain_design.h"
#include "commissioning/program_inputs.h"
#include "commissioning/winding.h"
#include "engine/controller_saturations.h"
#include "engine/gain_registers.h"
#include "engine/loop_periods.h"
#include "engine/scales.h"
#include "engine/setup_access.h"
#include "kernel/parameter.h"
#include "kernel/probe.h"
#include "kernel/setup.h"
#include "kernel/ui/test_base_ids.h"

using namespace current_tuning;

namespace {

constexpr const char* kProcedure =
    "1. Check/setup the test parameters below\r\n2. Go to the \"Test\" tab and press the \"Tune\" button\r\n3. In "
    "the \"Test\" tab, press the \"Start\" button\r\n4. Wait until the test ends and displays the results\r\n5. If "
    "needed, change the controller parameters during the test, until you get satisfactory results";

// The logged response: 100 points of the fast loop, every sample.
constexpr int kLoggedPoints = 100;
constexpr int kFastLoopLog = 2;

// A curve per logged variable against the time (column 0), in the palette's
// colours, two pixels wide; the voltage on the right axis.
struct Curve {
  int column;
  int axis;
  int colour;
};
constexpr Curve kCurves[] = {{1, 1, 2}, {3, 2, 8}, {2, 1, 5}};
constexpr const char* kLoggedVariables[] = {"Current_Reference", "Motor_Current", "Voltage_Reference"};

// The parameters the gain design reads; without any of them "Tune" does nothing.
constexpr const char* kDesignInputs[] = {"SCR", "L", "R", "Kp_C_scl", "Ki_C_scl", "PB_C", "Dump_C",
                                         "StepperMotorType", "MotorPhaseConnectionType"};

std::string StepProgramName(const CVX_Setup& setup) {
  return setup.GetParameterValueInBaseUnit("StepperControlType") != 0 ? "Current_Controller_Tuning_Test_SCL"
                                                                      : "Current_Controller_Tuning_Test_SOL";
}

}  // namespace

BEGIN_MESSAGE_MAP(CTestCurrent, CMyTestDlg)
  ON_BN_CLICKED(kTuneButton, &CTestCurrent::OnTune)
  ON_BN_CLICKED(kSavePlotsButton, &CTestCurrent::OnSavePlots)
  ON_BN_CLICKED(kKpApply, &CTestCurrent::OnApplyEdits)
  ON_BN_CLICKED(kKiApply, &CTestCurrent::OnApplyEdits)
  ON_BN_CLICKED(kUseFilterCheck, &CTestCurrent::OnOutputOptionClicked)
  ON_BN_CLICKED(kCompensateGravityCheck, &CTestCurrent::OnOutputOptionClicked)
  ON_NOTIFY(TCN_SELCHANGING, kTabs, &CTestCurrent::OnTabChanging)
  ON_NOTIFY(TCN_SELCHANGE, kTabs, &CTestCurrent::OnTabChange)
  ON_NOTIFY_RANGE(UDN_DELTAPOS, kKpDown, kKiUp, &CTestCurrent::OnSpin)
  ON_NOTIFY_RANGE(UDN_DELTAPOS, kBandwidthDown, kBandwidthUp, &CTestCurrent::OnSpin)
  ON_WM_HSCROLL()
END_MESSAGE_MAP()

CTestCurrent::CTestCurrent(CVX_Setup* setup, int flag, CWnd* pParentWnd)
    : CMyTestDlg(setup, kTemplateId, flag, pParentWnd),
      m_positioningName(PositioningProgramName(*setup)),
      m_testName(StepProgramName(*setup)) {
  m_nStepCount = kStepCount;
  SetHelpContext(kHelpContext);
  AddParameterControls("TestProtectionCurrent", kProtectionEdit, kProtectionUnit);
  AddParameterControls("TestCurrent", kTestCurrentEdit, kTestCurrentUnit);
  AddParameterControls("OffsetCurrent", kOffsetEdit, kOffsetUnit);
  AddParameterControls("FilterOnCurrentControllerOutput", kFilterEdit, kFilterUnit);
  AddCheckParameterControls("isUseFilterOnCrtCtrlOutput", kUseFilterCheck);
  AddCheckParameterControls("isCompensateGravitationalLoads", kCompensateGravityCheck);
  AddParameterControls("Kp_C_scl", kKpEdit);
  AddParameterControls("Ki_C_scl", kKiEdit);
  AddParameterControls("PB_C", kBandwidthEdit, kBandwidthUnit);
  m_sliders.Add("Kp_C_scl", {kKpDown, kKpSlider, kKpUp});
  m_sliders.Add("Ki_C_scl", {kKiDown, kKiSlider, kKiUp});
  m_sliders.Add("PB_C", {kBandwidthDown, kBandwidthSlider, kBandwidthUp});
}

CTestCurrent::~CTestCurrent() = default;

INT_PTR CTestCurrent::DoModal() {
  const INT_PTR result = CMyTestDlg::DoModal();
  if (result != IDOK && GetSetup()) m_liveWrites.Restore(*GetSetup());
  return result;
}

BOOL CTestCurrent::OnInitDialog() {
  CMyTestDlg::OnInitDialog();
  CVX_Setup& setup = *GetSetup();
  commissioning::LoadProgram(m_positioning, m_positioningName);
  commissioning::LoadProgram(m_test, m_testName);

  m_logger = std::make_unique<CVX_SingleAxisLogger>(setup, &m_test);
  m_logger->ChangeSettings(kLoggedPoints, kFastLoopLog, 1);
  for (const char* name : kLoggedVariables) m_logger->AddVariable(name, 1);
  m_logger->CorrectPointsNo();
  CGraphFilter& filter = m_logger->GetGraphDocument().GetFilter(0);
  for (const Curve& curve : kCurves) filter.AddCurve(CXYCurve(0, curve.column, curve.axis, curve.colour, 2));
  m_graph.Create(this, kGraph, filter);

  m_sliders.AttachAll(*this);
  SetChildText(kProcedureText, kProcedure);
  if (auto* tabs = dynamic_cast<CTabCtrl*>(GetDlgItem(kTabs))) {
    tabs->InsertItem(0, "Test Parameters");
    tabs->InsertItem(1, "Test");
    tabs->SetCurSel(0);
  }
  ShowPage(0);
  return TRUE;
}

void CTestCurrent::OnOK() {
  CMyTestDlg::OnOK();
  // The protection tried during the test becomes the drive's.
  CVX_Setup& setup = *GetSetup();
  engine::WriteBase(setup, "Imax_Prot", setup.GetParameterValueInBaseUnit("TestProtectionCurrent"));
}

// ----- gains ------------------------------------------------------------------------

bool CTestCurrent::DesignGains() {
  CVX_Setup& setup = *GetSetup();
  for (const char* name : kDesignInputs) {
    if (!kernel::HasParameter(setup, name)) return false;
  }
  const commissioning::CurrentLoopPlant plant{
      .resistance_Ohm = setup.GetParameterValueInBaseUnit("R"),
      .inductance_H = setup.GetParameterValueInBaseUnit("L"),
      .delta = commissioning::IsDeltaConnected(setup.GetParameterValueInBaseUnit("StepperMotorType"),
                                               setup.GetParameterValueInBaseUnit("MotorPhaseConnectionType")),
      .period_s = engine::FastLoopPeriod(setup).value_or(0.0),
      .current_counts_per_A = engine::CurrentScale(setup).value_or(0.0),
      .voltage_counts_per_V = engine::MotorVoltageScale(setup).value_or(0.0)};
  const commissioning::CurrentLoopTarget target{.bandwidth_rad_s = setup.GetParameterValueInBaseUnit("PB_C"),
                                                .damping = setup.GetParameterValueInBaseUnit("Dump_C")};
  const auto gains = commissioning::DesignCurrentGains(plant, target);
  if (!gains.ok()) {
    AfxMessageBox(gains.error(), MB_OK | MB_ICONERROR);
    return false;
  }
  engine::WriteBase(setup, "Kp_C_scl", gains.value().kp);
  engine::WriteBase(setup, "Ki_C_scl", gains.value().ki);
  return true;
}

void CTestCurrent::OnTune() {
  if (!DesignGains()) return;
  CVX_Setup& setup = *GetSetup();
  const commissioning::GainEdit* kp = commissioning::FindGainEdit("Kp_C_scl");
  const commissioning::GainEdit* ki = commissioning::FindGainEdit("Ki_C_scl");
  // The gains show as the registers hold them.
  commissioning::ApplyGainEdit(setup, *kp);
  commissioning::ApplyGainEdit(setup, *ki);
  if (m_bTestRunning) {
    // A failed write is left to the run, which reads the drive's errors at
    // its next tick.
    std::string error;
    if (m_liveWrites.WriteLive(setup, *kp, error)) m_liveWrites.WriteLive(setup, *ki, error);
  }
  RefreshAllParameters();
  m_sliders.RearmAll();
}

void CTestCurrent::OnChangedParameterValue(const std::string& name) {
  CMyTestDlg::OnChangedParameterValue(name);
  CVX_Setup& setup = *GetSetup();
  if (name == "OffsetCurrent") {
    engine::ComputeFFL(setup);
  } else if (name == "FilterOnCurrentControllerOutput") {
    engine::ComputeFILTERQ(setup);
  } else if (CGainSlider* slider = m_sliders.Find(name)) {
    // A typed value: the slider's range moves around it.
    ValueChanged(name);
    slider->Rearm();
  }
}

void CTestCurrent::OnRefreshParameterValue(const std::string& name) {
  CMyTestDlg::OnRefreshParameterValue(name);
  if (CGainSlider* slider = m_sliders.Find(name)) slider->ShowValue();
}

void CTestCurrent::ValueChanged(const std::string& name) {
  commissioning::ApplyGainChange(*GetSetup(), name, m_liveWrites, IsTestRunning());
  RefreshParameterControls(name);
}

void CTestCurrent::RecomputeOutputRegisters() {
  CVX_Setup& setup = *GetSetup();
  engine::ComputeFILTERQ(setup);
  engine::ComputeFFL(setup);
}
