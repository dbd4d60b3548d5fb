#pragma once

#include <string>

#include "dialogs/drive_info_controls.h"
#include "dialogs/my_setup_dlg.h"
#include "dialogs/setup_snapshot.h"

namespace driveinfo {
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
