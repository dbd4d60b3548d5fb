#pragma once

#include <string>

#include "dialogs/my_setup_dlg.h"
#include "dialogs/setup_snapshot.h"

// The controls of the "Drive info" template that the code refers to.
namespace driveinfo {
enum Control : int {
  kFirmwareEdit = 3278,
  kProductEdit = 3277,
  kE2ROMSizeEdit = 3276,
  kDescriptionEdit = 3275,
  kUserAppEdit = 3114,
  kMotorSupplyMinEdit = 3087,
  kMotorSupplyMaxEdit = 3089,
  kLogicSupplyMinEdit = 3092,
  kLogicSupplyMaxEdit = 3094,
  kNominalCurrentEdit = 1159,
  kPeakCurrentEdit = 1161,
  kMeasurableVoltageEdit = 1163,
  kTemperatureSensorCheck = 3097,
  kSensorGainLabel = 3098,
  kSensorGainEdit = 1165,
  kSensorGainUnit = 1166,
  kSensorOffsetLabel = 3101,
  kSensorOffsetEdit = 1167,
  kSensorOffsetUnit = 1168,
  kOverTemperatureCheck = 3325,
  kTemperatureLimitLabel = 3326,
  kTemperatureLimitEdit = 1177,
  kTemperatureLimitUnit = 1178,
  kOverVoltageCheck = 3103,
  kOverVoltageLabel = 3104,
  kOverVoltageEdit = 1169,
  kOverVoltageUnit = 1170,
  kUnderVoltageCheck = 3105,
  kUnderVoltageLabel = 3106,
  kUnderVoltageEdit = 1171,
  kUnderVoltageUnit = 1172,
  kI2tCheck = 3107,
  kI2tCurrentLabel = 3108,
  kI2tCurrentEdit = 1173,
  kI2tCurrentUnit = 1174,
  kI2tTimeEdit = 1175,
  kI2tTimeUnit = 1176,
  kI2tTimeLabel = 3109,
  kAnalogueRangeEdit = 1179,
};
// The firmware keeps the user application identifier in 40 characters.
inline constexpr int kUserAppIdLength = 40;
}  // namespace driveinfo

// "Drive info" (template 3018): the drive's identity and data. The drive
// data and most of the identity are read-only until the hidden chord
// Ctrl+Alt+Shift+D unlocks them; the chord is meant for the people who
// prepare setups for new drives, not for users. Cancel leaves the setup as
// the dialog found it.
class CDriveInfo : public CMySetupDlg {
 public:
  // The letter that, held with Ctrl, Alt and Shift, toggles editing.
  static constexpr char kEditChordLetter = 'D';

  explicit CDriveInfo(CVX_Setup* setup, CWnd* pParent = nullptr);

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  void OnOK() override;
  void OnCancel() override;

  bool EditingDriveData() const { return m_editDriveData != 0; }

 private:
  int Value(const char* name) const;
  void Rules();
  void OnProtectionClicked();

  dialogs::SetupSnapshot m_atOpening;
  int m_editDriveData = 0;

  DECLARE_MESSAGE_MAP()
};
