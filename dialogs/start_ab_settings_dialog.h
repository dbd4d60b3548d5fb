#pragma once

#include "dialogs/my_setup_dlg.h"
#include "dialogs/start_ab_settings_controls.h"
#include "dialogs/setup_snapshot.h"

// "Move till aligned with phase A - Settings" (template 3074): the time the
// start current is applied and, on closed-loop firmware that has it, the
// failed-start protection. Cancel leaves the setup as the dialog found it.
class CStartABsettings : public CMySetupDlg {
 public:

  explicit CStartABsettings(CVX_Setup* setup, CWnd* pParent = nullptr);

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnCancel() override;

 private:
  void Rules();

  dialogs::SetupSnapshot m_atOpening;
};
