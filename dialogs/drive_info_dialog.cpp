#include "dialogs/drive_info_dialog.h"

#include <charconv>
#include <climits>
#include <optional>
#include <string>
#include <string_view>

#include "dialogs/key_chord.h"
#include "engine/sequences.h"
#include "engine/setup_access.h"
#include "kernel/setup.h"

using namespace driveinfo;

namespace {

constexpr int kBytesPerKword = 1 << 10;

// A whole number of Kwords whose size in bytes the setup can hold; nothing
// for any other text.
std::optional<int> ParseKwords(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  int kwords = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), kwords);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (kwords < 0 || kwords > INT_MAX / kBytesPerKword) return std::nullopt;
  return kwords;
}

std::string KwordsText(int bytes) { return std::to_string(bytes / kBytesPerKword); }

}  // namespace

BEGIN_MESSAGE_MAP(CDriveInfo, CMySetupDlg)
  ON_BN_CLICKED(kTemperatureSensorCheck, &CDriveInfo::OnProtectionClicked)
  ON_BN_CLICKED(kOverVoltageCheck, &CDriveInfo::OnProtectionClicked)
  ON_BN_CLICKED(kUnderVoltageCheck, &CDriveInfo::OnProtectionClicked)
  ON_BN_CLICKED(kI2tCheck, &CDriveInfo::OnProtectionClicked)
  ON_BN_CLICKED(kOverTemperatureCheck, &CDriveInfo::OnProtectionClicked)
END_MESSAGE_MAP()

CDriveInfo::CDriveInfo(CVX_Setup* setup, CWnd* pParent)
    : CMySetupDlg(setup, kTemplateId, {}, pParent), m_atOpening(*setup) {
  AddParameterControls("VMOT_min", kMotorSupplyMinEdit, kMotorSupplyMinUnit);
  AddParameterControls("VMOT_max", kMotorSupplyMaxEdit, kMotorSupplyMaxUnit);
  AddParameterControls("VLOG_min", kLogicSupplyMinEdit, kLogicSupplyMinUnit);
  AddParameterControls("VLOG_max", kLogicSupplyMaxEdit, kLogicSupplyMaxUnit);
  AddParameterControls("InPS", kNominalCurrentEdit, kNominalCurrentUnit);
  AddParameterControls("ImaxPS", kPeakCurrentEdit, kPeakCurrentUnit);
  AddParameterControls("VdcMaxMeasurable", kMeasurableVoltageEdit, kMeasurableVoltageUnit);
  AddCheckParameterControls("isDriveTemperatureSensor", kTemperatureSensorCheck);
  AddParameterControls("DriveTempSensorGain", kSensorGainEdit, kSensorGainUnit);
  AddParameterControls("DriveTempOutputAt0oC", kSensorOffsetEdit, kSensorOffsetUnit);
  AddParameterControls("Temp_2", kTemperatureLimitEdit, kTemperatureLimitUnit);
  AddCheckParameterControls("isDriveOverTemp", kOverTemperatureCheck);
  AddCheckParameterControls("isOverVoltage", kOverVoltageCheck);
  AddParameterControls("UMAX_PROT", kOverVoltageEdit, kOverVoltageUnit);
  AddCheckParameterControls("isUnderVoltage", kUnderVoltageCheck);
  AddParameterControls("UMIN_PROT", kUnderVoltageEdit, kUnderVoltageUnit);
  AddCheckParameterControls("isDriveI2t", kI2tCheck);
  AddParameterControls("I_I2t_D", kI2tCurrentEdit, kI2tCurrentUnit);
  AddParameterControls("t_I2t_D", kI2tTimeEdit, kI2tTimeUnit);
  AddParameterControls("AnalogueInputsRange", kAnalogueRangeEdit, kAnalogueRangeUnit);
}

int CDriveInfo::Value(const char* name) const {
  return static_cast<int>(engine::Base(*GetSetup(), name).value_or(0.0));
}

BOOL CDriveInfo::OnInitDialog() {
  CMySetupDlg::OnInitDialog();
  const CVX_Setup& setup = *GetSetup();
  SetChildText(kE2ROMSizeEdit, KwordsText(setup.GetE2ROMSize()));
  SetChildText(kFirmwareEdit, setup.GetFirmwareID());
  SetChildText(kProductEdit, setup.GetProductID());
  SetChildText(kDescriptionEdit, setup.GetDescription());
  SetChildText(kUserAppEdit, setup.GetUserAppID());
  if (auto* userApp = static_cast<CEdit*>(GetDlgItem(kUserAppEdit))) userApp->LimitText(kUserAppIdLength);
  Rules();
  return TRUE;
}

void CDriveInfo::Rules() {
  const bool edit = m_editDriveData != 0;
  const bool sensor = Value("isDriveTemperatureSensor") == 1;
  const bool overVoltage = Value("isOverVoltage") == 1;
  const bool underVoltage = Value("isUnderVoltage") == 1;
  const bool i2t = Value("isDriveI2t") == 1;
  const bool overTemperature = Value("isDriveOverTemp") == 1;

  EnableChildren({kMotorSupplyMinEdit, kMotorSupplyMaxEdit, kLogicSupplyMinEdit, kLogicSupplyMaxEdit,
                  kNominalCurrentEdit, kPeakCurrentEdit, kTemperatureSensorCheck, kAnalogueRangeEdit,
                  kMeasurableVoltageEdit, kOverVoltageCheck, kUnderVoltageCheck, kI2tCheck, kE2ROMSizeEdit,
                  kDescriptionEdit, kProductEdit, kFirmwareEdit},
                 edit);
  EnableChildren({kSensorGainEdit, kSensorOffsetEdit, kOverTemperatureCheck}, edit && sensor);
  EnableChild(kOverVoltageEdit, edit && overVoltage);
  EnableChild(kUnderVoltageEdit, edit && underVoltage);
  EnableChildren({kI2tCurrentEdit, kI2tTimeEdit}, edit && i2t);
  EnableChild(kTemperatureLimitEdit, edit && overTemperature);

  // Labels and unit selectors of a protection that is off stay in place,
  // greyed, whether or not the drive data can be edited.
  EnableChildren({kSensorGainUnit, kSensorOffsetUnit, kSensorGainLabel, kSensorOffsetLabel}, sensor);
  EnableChildren({kOverVoltageUnit, kOverVoltageLabel}, overVoltage);
  EnableChildren({kUnderVoltageLabel, kUnderVoltageUnit}, underVoltage);
  EnableChildren({kI2tCurrentLabel, kI2tCurrentUnit, kI2tTimeUnit, kI2tTimeLabel}, i2t);
  EnableChildren({kTemperatureLimitUnit, kTemperatureLimitLabel}, overTemperature);
}

BOOL CDriveInfo::PreTranslateMessage(MSG* pMsg) {
  if (dialogs::IsExpertChord(*pMsg, kEditChordLetter)) {
    m_editDriveData = !m_editDriveData;
    Rules();
    return TRUE;
  }
  return CMySetupDlg::PreTranslateMessage(pMsg);
}

void CDriveInfo::OnProtectionClicked() {
  // Over temperature is detected by the temperature sensor: without it the
  // protection cannot stay on.
  if (Value("isDriveTemperatureSensor") == 0 && Value("isDriveOverTemp") == 1) {
    engine::WriteBase(*GetSetup(), "isDriveOverTemp", 0.0);
    RefreshParameterControls("isDriveOverTemp");
  }
  Rules();
}

void CDriveInfo::OnOK() {
  CVX_Setup& setup = *GetSetup();
  // Everything is checked before anything is written, so a refused entry
  // leaves the setup unchanged and the dialog open for a correction.
  const std::string sizeText = GetDlgItemText(kE2ROMSizeEdit);
  const bool sizeEdited = sizeText != KwordsText(setup.GetE2ROMSize());
  const std::optional<int> kwords = ParseKwords(sizeText);
  if (sizeEdited && !kwords) {
    AfxMessageBox("The E2ROM size must be a whole number of Kwords.", MB_OK | MB_ICONERROR);
    return;
  }
  const std::string firmware = GetDlgItemText(kFirmwareEdit);
  if (firmware != setup.GetFirmwareID() && !setup.SetFirmwareID(firmware)) {
    AfxMessageBox("Error setting the firmware ID!", MB_OK | MB_ICONERROR);
    return;
  }

  // An unedited size keeps the bytes below a whole Kword.
  if (sizeEdited) setup.SetE2ROMSize(*kwords * kBytesPerKword);
  setup.SetUserAppID(GetDlgItemText(kUserAppEdit));
  setup.SetProductID(GetDlgItemText(kProductEdit));
  setup.SetDescription(GetDlgItemText(kDescriptionEdit));
  engine::ComputeRegisterParameters(setup);
  CMySetupDlg::OnOK();
}

void CDriveInfo::OnCancel() {
  m_atOpening.RestoreInto(*GetSetup());
  CMySetupDlg::OnCancel();
}
