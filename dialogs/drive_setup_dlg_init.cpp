// The Drive Setup dialog: initialisation, the automatic opening of the
// motor dialog, the warning colour and the help topic.

#include <string>

#include "dialogs/dialog_help.h"
#include "dialogs/dialog_images.h"
#include "dialogs/drive_setup_controls.h"
#include "dialogs/drive_setup_dlg.h"
#include "dialogs/drive_setup_values.h"
#include "engine/loop_periods.h"
#include "engine/sequences.h"

using namespace drivesetup;

namespace {

constexpr int kAxisIdCount = 255;
constexpr std::string_view kHardwareAxisId = "H/W";
constexpr std::string_view kVoltageWarningText =
    "You have changed the Run current or Power supply value! For correct operation you have to detect the voltage "
    "control parameters!";
constexpr COLORREF kWarningColour = 0x1400B4;  // red 180, green 0, blue 20
// The default settle band: half a revolution of the load.
constexpr double kDefaultSettleBand_rad = 3.141592653589793;

}  // namespace

BOOL CDriveSetupDlg::OnInitDialog() {
  CMySetupDlg::OnInitDialog();
  CVX_Setup& setup = *GetSetup();

  dialogs::ShowImage(*this, kMotorSetupButton, "TO_MOTORSETUP");
  EnableChild(kAnalogueLabel, engine::HasAnalogueReference(setup));
  FillAxisIdCombo();
  SetChildText(kDigitalReferenceLabel, DigitalReferenceCaption(setup));
  SetupInputsType();
  if (Has(setup, "SOL_controller_mode")) {
    SetChildText(kVoltageWarning, kVoltageWarningText);
    ShowChild(kVoltageWarning, false);
    RememberVoltageDetectionPoint();
  }
  ApplyMotionCompleteDefaults();
  ShowChild(kAutoActivatedCheck, Has(setup, "isAutoActivatedAfterPowerOn"));
  UpdateData(FALSE);
  return TRUE;
}

void CDriveSetupDlg::FillAxisIdCombo() {
  m_axisIdCombo.ResetContent();
  for (int id = 1; id <= kAxisIdCount; ++id) m_axisIdCombo.AddString(std::to_string(id));
  m_axisIdCombo.AddString(kHardwareAxisId);
  const int axisId = IntValue(*GetSetup(), "Axis_ID_list");
  if (axisId == 0)
    m_axisIdCombo.SelectString(-1, kHardwareAxisId);
  else
    m_axisIdCombo.SelectString(-1, std::to_string(axisId));
}

void CDriveSetupDlg::ShowInputsPolarityCaptions(bool pnp) {
  SetChildText(kFirstColumnCaption, pnp ? "Active high (Connected to +Vlog)" : "Active high (Open/No connection)");
  SetChildText(kSecondColumnCaption, pnp ? "Active low (Open/No connection)" : "Active low (Connected to GND)");
}

void CDriveSetupDlg::SetupInputsType() {
  CVX_Setup& setup = *GetSetup();
  // -1: the drive does not say whether its inputs type can be programmed.
  const int programmable =
      setup.GetOptionNoError("IsInputsTypeProgrammable").empty() ? -1 : setup.GetIntOption("IsInputsTypeProgrammable");
  const bool hasType = Has(setup, "InputsPolarityType");
  EnableChild(kSinkPnpRadio, hasType && programmable == 1);
  EnableChild(kSourceNpnRadio, hasType && programmable == 1);

  const auto showFixedType = [this](bool pnp) {
    CheckDlgButton(kSourceNpnRadio, pnp ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(kSinkPnpRadio, pnp ? BST_CHECKED : BST_UNCHECKED);
    ShowInputsPolarityCaptions(pnp);
  };
  if (programmable == -1) {
    // Drives that predate the option are told apart by their description.
    showFixedType(setup.GetDescription().find("QZ") != std::string::npos);
  } else if (hasType) {
    ShowInputsPolarityCaptions(IntValue(setup, "InputsPolarityType") == 1);
  } else {
    showFixedType((static_cast<engine::Word>(IntValue(setup, "ASR")) & engine::asr::kInputsPolarity) == 0);
  }
}

void CDriveSetupDlg::RememberVoltageDetectionPoint() {
  m_runCurrentAtDetection = BaseValue(*GetSetup(), "RunCurrent");
  m_vdcAtDetection = BaseValue(*GetSetup(), "Vdc");
}

void CDriveSetupDlg::ApplyMotionCompleteDefaults() {
  CVX_Setup& setup = *GetSetup();
  if (!Has(setup, "MotionCompleteDefaultSettings") || IntValue(setup, "MotionCompleteDefaultSettings") != 1) return;
  engine::WriteBase(setup, "MotionCompleteSettleBand", kDefaultSettleBand_rad);
  if (const auto period_s = engine::SlowLoopPeriod(setup))
    engine::WriteBase(setup, "MotionCompleteStabilizeTime", *period_s);
}

void CDriveSetupDlg::OnShowWindow(BOOL bShow, UINT nStatus) {
  CMySetupDlg::OnShowWindow(bShow, nStatus);
  if (!bShow) return;
  CenterWindow();
  // A motor that carries its own data needs no motor dialog first; any other
  // is set up before the drive, once this dialog is on screen.
  if (GetSetup()->GetIntOption("isIntelligentMotor") != 1) SetTimer(kMotorDialogTimer, 1);
}

void CDriveSetupDlg::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent != kMotorDialogTimer) {
    CMySetupDlg::OnTimer(nIDEvent);
    return;
  }
  KillTimer(kMotorDialogTimer);
  OpenChild(Child::kMotorSetup);
}

HBRUSH CDriveSetupDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  HBRUSH brush = CMySetupDlg::OnCtlColor(pDC, pWnd, nCtlColor);
  if (pWnd && pWnd->GetDlgCtrlID() == kVoltageWarning) pDC->SetTextColor(kWarningColour);
  return brush;
}

void CDriveSetupDlg::OnHelp() { dialogs::ShowHelpTopic(*this, GetSetup(), kHelpContext); }
