#pragma once

#include "dialogs/my_setup_dlg.h"
#include "dialogs/position_correction_controls.h"
#include "dialogs/setup_snapshot.h"

// "Position Error Correction Advanced Settings" (template 3075): how the
// correction of a position error on an open-loop motor with a load encoder
// retries and slows down. Cancel leaves the setup as the dialog found it.
class CDrivePositionCorrectionAdvanced : public CMySetupDlg {
 public:

  explicit CDrivePositionCorrectionAdvanced(CVX_Setup* setup, CWnd* pParent = nullptr);

  BOOL OnInitDialog() override;
  void OnCancel() override;

 private:
  dialogs::SetupSnapshot m_atOpening;
};
