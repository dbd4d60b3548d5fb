#include "dialogs/advanced_dialog.h"

#include <cstddef>
#include <optional>
#include <string_view>

#include "dialogs/dialog_help.h"
#include "engine/config_words_control.h"
#include "engine/io_registers.h"
#include "engine/loop_periods.h"
#include "engine/loop_timing.h"
#include "engine/protections.h"
#include "engine/serial_read_time.h"
#include "engine/setup_access.h"
#include "kernel/name_key.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

using namespace advanced;

namespace {

using kernel::SameName;

// The illustrations of the control scheme, in the order of m_bitmaps.
constexpr std::array<UINT, 7> kSchemeBitmaps{3016, 3017, 3062, 3063, 3366, 3367, 3368};
enum SchemeBitmap : std::size_t {
  kPositionSpeedCurrent,  // 3016: position loop drives the speed loop
  kPositionCurrent,       // 3017
  kSpeedCurrent,          // 3062
  kCurrentOnly,           // 3063
  kOpenLoop,              // 3366
  kOpenLoopVoltage,       // 3367
  kOpenLoopWithEncoder,   // 3368
};

constexpr int kClosedLoop = 1;
constexpr int kPositionMode = 0;
constexpr int kSpeedMode = 1;
constexpr int kTorqueMode = 2;

bool HasFreezeParameters(const CVX_Setup& setup) {
  return kernel::HasParameter(setup, "POSOKLIM_FC") && kernel::HasParameter(setup, "TONPOSOK_FC");
}

}  // namespace

BEGIN_MESSAGE_MAP(CAdvancedDialog, CMySetupDlg)
  ON_BN_CLICKED(kPositionCurrentLoopsRadio, &CAdvancedDialog::OnSchemeClicked)
  ON_BN_CLICKED(kPositionSpeedCurrentLoopsRadio, &CAdvancedDialog::OnSchemeClicked)
  ON_BN_CLICKED(kHelpButton, &CAdvancedDialog::OnHelp)
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CAdvancedDialog::CAdvancedDialog(CVX_Setup* setup, CWnd* pParent)
    : CMySetupDlg(setup, kTemplateId, {}, pParent), m_atOpening(*setup) {
  const CVX_Setup& s = *setup;
  AddSwitchParameterControls("PositionControlType", kPositionCurrentLoopsRadio, kPositionSpeedCurrentLoopsRadio);
  // Older firmware runs both loops in the slow loop and has no switch.
  if (kernel::HasParameter(s, "PosSpd_in_FastLoop"))
    AddSwitchParameterControls("PosSpd_in_FastLoop", kSlowLoopRadio, kFastLoopRadio);
  if (kernel::HasParameter(s, "isSpeedEstimator")) AddCheckParameterControls("isSpeedEstimator", kEstimatorCheck);
  AddParameterControls("CLPER", kFastDividerEdit);
  AddParameterControls("SLPER", kSlowDividerEdit);
  AddParameterControls("PWM_freq", kPwmFrequencyEdit, kPwmFrequencyUnit);
  AddParameterControls("Ts_C", kFastPeriodEdit, kFastPeriodUnit);
  AddParameterControls("Ts_S", kSlowPeriodEdit, kSlowPeriodUnit);
  AddParameterControls("PWMperiod", kPwmPeriodEdit, kPwmPeriodUnit);
  if (kernel::HasParameter(s, "THT_CORRECTION"))
    AddParameterControls("PhaseAdvance_speed", kPhaseAdvanceEdit, kPhaseAdvanceUnit);
  if (kernel::HasParameter(s, "SpeedForward"))
    AddSwitchParameterControls("SpeedForward", kSpeedForwardToSpeedLoop, kSpeedForwardToCurrentLoop);
  if (HasFreezeParameters(s)) {
    AddCheckParameterControls("isFreezeControl", kFreezeCheck);
    AddParameterControls("FreezeControl_errband", kFreezeBandEdit, kFreezeBandUnit);
    AddParameterControls("FreezeControl_time", kFreezeTimeEdit, kFreezeTimeUnit);
  }
  if (kernel::HasParameter(s, "SOL_controller_mode"))
    AddSwitchParameterControls("SOL_controller_mode", kCurrentModeRadio, kVoltageModeRadio);
  if (kernel::HasParameter(s, "SOLmodeEncOnLoad"))
    AddSwitchParameterControls("SOLmodeEncOnLoad", kPidOnLoadRadio, kCorrectionOnLoadRadio);
}

CAdvancedDialog::~CAdvancedDialog() {
  for (CBitmap& bitmap : m_bitmaps) bitmap.DeleteObject();
}

int CAdvancedDialog::Value(const char* name) const {
  return static_cast<int>(engine::Base(*GetSetup(), name).value_or(0.0));
}

bool CAdvancedDialog::FreezeControlApplies() const {
  // Freezing holds a position, so it needs position control and a sensor
  // that sees the position: the closed loop's, or a load sensor.
  return HasFreezeParameters(*GetSetup()) && Value("ControlMode") == kPositionMode &&
         (Value("StepperControlType") != 0 || Value("LoadSensorType") != 0);
}

BOOL CAdvancedDialog::OnInitDialog() {
  for (std::size_t i = 0; i < kSchemeBitmaps.size(); ++i) m_bitmaps[i].LoadBitmap(kSchemeBitmaps[i]);
  CMySetupDlg::OnInitDialog();

  CVX_Setup& setup = *GetSetup();
  const int ct = Value("StepperControlType");
  const int cm = Value("ControlMode");
  const int lst = Value("LoadSensorType");

  ShowChildren({kPositionCurrentLoopsRadio, kPositionSpeedCurrentLoopsRadio}, cm == kPositionMode && ct == kClosedLoop);
  // The freeze values themselves follow their check box in Rules().
  EnableChildren({kFreezeGroup, kFreezeCheck}, FreezeControlApplies());
  if (!kernel::HasParameter(setup, "PosSpd_in_FastLoop"))
    ShowChildren({kSlowLoopRadio, kFastLoopRadio, kLoopChoiceGroup}, false);

  m_kept = engine::RememberPeriods(setup);
  m_scaledFor = m_kept;

  SetChildText(kSlowPeriodFormula, engine::SlowLoopPeriodCaption(ct == 0));
  // A period that is already too short is marked at once, not only after
  // the next edit.
  MarkPeriodLimits();
  EnableChildren({kEncoderOnLoadGroup, kPidOnLoadRadio, kCorrectionOnLoadRadio},
                 kernel::HasParameter(setup, "SOLmodeEncOnLoad") && ct == 0 && lst != 0);
  UpdateData(FALSE);
  return TRUE;
}

void CAdvancedDialog::DoDataExchange(CDataExchange* pDX) {
  CMySetupDlg::DoDataExchange(pDX);
  if (!pDX->m_bSaveAndValidate) Rules();
}

void CAdvancedDialog::ShowSchemePicture() {
  const int ct = Value("StepperControlType");
  const int cm = Value("ControlMode");
  SchemeBitmap picture;
  if (ct != 0) {
    if (cm == kPositionMode)
      picture = Value("PositionControlType") == 1 ? kPositionSpeedCurrent : kPositionCurrent;
    else
      picture = cm == kSpeedMode ? kSpeedCurrent : kCurrentOnly;
  } else if (Value("SOL_controller_mode") == 1) {
    picture = kOpenLoopVoltage;
  } else {
    picture = Value("MotorSensorType") != 0 || Value("LoadSensorType") != 0 ? kOpenLoopWithEncoder : kOpenLoop;
  }
  if (auto* control = static_cast<CStatic*>(GetDlgItem(kSchemePicture))) control->SetBitmap(m_bitmaps[picture]);
}

void CAdvancedDialog::Rules() {
  CVX_Setup& setup = *GetSetup();
  const int ct = Value("StepperControlType");
  const int cm = Value("ControlMode");
  const int pct = Value("PositionControlType");
  const int mst = Value("MotorSensorType");
  const int lst = Value("LoadSensorType");
  const bool closedLoop = ct == kClosedLoop;

  ShowSchemePicture();
  EnableChildren({kSlowDividerLabel, kSlowDividerEdit}, closedLoop);
  // Phase advance needs the register as well as closed loop: without it the
  // edit is bound to nothing.
  EnableChildren({kPhaseAdvanceGroup, kPhaseAdvanceLabel, kPhaseAdvanceEdit, kPhaseAdvanceUnit},
                 closedLoop && kernel::HasParameter(setup, "THT_CORRECTION"));

  const bool speedForward = kernel::HasParameter(setup, "SpeedForward") && cm != kTorqueMode && closedLoop;
  EnableChildren({kSpeedForwardGroup, kSpeedForwardToCurrentLoop}, speedForward);
  EnableChild(kSpeedForwardToSpeedLoop, speedForward && cm == kPositionMode && pct == 1);

  // Where the speed and position loops run matters only when they run:
  // closed loop, not torque control.
  const bool loopChoice = closedLoop && cm < kTorqueMode;
  EnableChildren({kLoopChoiceGroup, kSlowLoopRadio}, loopChoice);
  EnableChild(kFastLoopRadio, loopChoice && mst == 1 && lst == 0);

  EnableChildren({kFreezeBandLabel, kFreezeTimeLabel, kFreezeBandEdit, kFreezeBandUnit, kFreezeTimeEdit,
                  kFreezeTimeUnit},
                 FreezeControlApplies() && Value("isFreezeControl") == 1);

  ShowChildren({kCurrentModeRadio, kVoltageModeRadio},
               kernel::HasParameter(setup, "SOL_controller_mode") && ct == 0 && Value("StepperMotorType") == 0);

  const bool hasEstimator = kernel::HasParameter(setup, "isSpeedEstimator");
  const bool fineSensor = Value("PosSpd_in_FastLoop") != 1 &&
                          (mst == 1 || (mst == 0 && lst == 1) || (mst == 2 && Value("SINCOS_fract") == 1) ||
                           (mst == 0 && lst == 2 && Value("SINCOS_fract_LD") == 1));
  const bool estimable = engine::OptionSet(setup, "newSpeedEstimator")
                             ? fineSensor
                             : (mst == 0 && lst == 1) || (mst == 1 && lst == 0);
  EnableChild(kEstimatorGroup, hasEstimator);
  EnableChild(kEstimatorCheck, hasEstimator && estimable);
}

void CAdvancedDialog::OnSchemeClicked() { UpdateData(FALSE); }

void CAdvancedDialog::OnChangedParameterValue(const std::string& name) {
  // Replaces the base's handling: nothing here is a gain of the base's round
  // trip, and the loop timing needs its own order.
  CVX_Setup& setup = *GetSetup();
  if (SameName(name, "PosSpd_in_FastLoop")) {
    // The estimator cannot run with the speed loop in the fast loop.
    if (Value("PosSpd_in_FastLoop") == 1) engine::WriteBase(setup, "isSpeedEstimator", 0.0);
    UpdateData(FALSE);
  } else if (SameName(name, "PWM_freq")) {
    engine::KeepPeriodsAtNewPwm(setup, m_kept);
    for (const char* shown : {"CLPER", "SLPER", "Ts_S", "Ts_C", "PWMperiod"}) RefreshParameterControls(shown);
    UpdateData(FALSE);
  } else if (!SameName(name, "CLPER") && !SameName(name, "SLPER")) {
    // The dividers are whole numbers the refresh below keeps consistent.
    KeepValuesAsDriveUses(name);
  }
}

void CAdvancedDialog::FollowSlowLoopPeriod() {
  engine::FollowSlowLoopPeriod(*GetSetup(), m_scaledFor);
}

void CAdvancedDialog::CheckSerialEncoderReadTime() {
  if (const auto message = engine::CheckSerialEncoderReadTime(*GetSetup())) AfxMessageBox(*message);
}

void CAdvancedDialog::MarkPeriodLimits() {
  CVX_Setup& setup = *GetSetup();
  const bool fastTooShort = engine::FastLoopMinimumMessage(setup).has_value();
  const bool slowTooShort = engine::SlowLoopMinimumMessage(setup).has_value();
  m_fastPeriodColour = fastTooShort ? kOutsideLimitsColour : 0;
  m_slowPeriodColour = slowTooShort ? kOutsideLimitsColour : 0;
  ShowChild(kFastOutsideLimits, fastTooShort);
  ShowChild(kSlowOutsideLimits, slowTooShort);
  for (int label : {kFastDividerLabel, kFastPeriodLabel, kSlowDividerLabel, kSlowPeriodLabel})
    if (CWnd* control = GetDlgItem(label)) control->RedrawWindow();
}

void CAdvancedDialog::OnRefreshParameterValue(const std::string& name) {
  CVX_Setup& setup = *GetSetup();
  const bool fastDivider = SameName(name, "CLPER");
  const bool slowDivider = SameName(name, "SLPER");
  const bool pwm = SameName(name, "PWM_freq");

  engine::KeepSlowLoopNoFasterThanFast(setup);
  RefreshParameterControls("SLPER");
  engine::RecomputeTimingParameters(setup);
  if (kernel::HasParameter(setup, "SpeedForward")) engine::ApplySpeedForwardRule(setup);
  if (kernel::HasParameter(setup, "THT_CORRECTION")) {
    engine::ComputeTHT_CORRECTION(setup);
    engine::RecoverPhaseAdvance_speed(setup);
  }

  if (fastDivider && Value("StepperControlType") == 0) {
    engine::WriteBase(setup, "SLPER", engine::kOpenLoopSlowPerFast * Value("CLPER"));
    engine::RecoverTs_S(setup);
    RefreshParameterControls("SLPER");
    FollowSlowLoopPeriod();
  }
  if (fastDivider || pwm) CheckSerialEncoderReadTime();
  if (slowDivider || pwm) FollowSlowLoopPeriod();

  // Every timing edit may move either period across its minimum: open loop
  // ties the slow divider to the fast one, and the PWM moves both.
  if (fastDivider || slowDivider || pwm) MarkPeriodLimits();

  if (fastDivider) m_kept.fast_s = engine::FastLoopPeriod(setup).value_or(m_kept.fast_s);
  if (slowDivider) m_kept.slow_s = engine::SlowLoopPeriod(setup).value_or(m_kept.slow_s);

  if (SameName(name, "SOLmodeEncOnLoad") && Value("SOLmodeEncOnLoad") == 1) {
    engine::ComputeERRMAX(setup);
    if (kernel::HasParameter(setup, "ERRMAXL")) engine::ComputeERRMAXL(setup);
  }

  RefreshAllParameters();
  UpdateData(FALSE);
}

HBRUSH CAdvancedDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  HBRUSH brush = CMySetupDlg::OnCtlColor(pDC, pWnd, nCtlColor);
  switch (pWnd->GetDlgCtrlID()) {
    case kFastDividerLabel:
    case kFastPeriodLabel:
      pDC->SetTextColor(m_fastPeriodColour);
      break;
    case kSlowDividerLabel:
    case kSlowPeriodLabel:
      pDC->SetTextColor(m_slowPeriodColour);
      break;
    case kFastOutsideLimits:
    case kSlowOutsideLimits:
      pDC->SetTextColor(kOutsideLimitsColour);
      break;
    default:
      break;
  }
  return brush;
}

void CAdvancedDialog::OnOK() {
  CVX_Setup& setup = *GetSetup();
  bool refused = false;
  for (const auto& message : {engine::FastLoopMinimumMessage(setup), engine::SlowLoopMinimumMessage(setup)}) {
    if (!message) continue;
    AfxMessageBox(*message);
    refused = true;
  }
  if (!refused) CMySetupDlg::OnOK();
}

void CAdvancedDialog::OnCancel() {
  m_atOpening.RestoreInto(*GetSetup());
  CMySetupDlg::OnCancel();
}

void CAdvancedDialog::OnHelp() { dialogs::ShowHelpTopic(*this, GetSetup(), kHelpContext); }
