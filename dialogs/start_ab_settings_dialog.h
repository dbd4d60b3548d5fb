#pragma once

#include "dialogs/my_setup_dlg.h"
#include "dialogs/setup_snapshot.h"

// "Move till aligned with phase A - Settings" (template 3074): the time the
// start current is applied and, on closed-loop firmware that has it, the
// failed-start protection. Cancel leaves the setup as the dialog found it.
class CStartABsettings : public CMySetupDlg {
 public:
  enum Control : int {
    kTimeEdit = 3260,
    kTimeUnit = 3261,
    kMinimumMoveLabel = 3276,
    kMinimumMoveEdit = 3277,
    kMinimumMoveUnit = 3278,
    kMinimumMoveTrailer = 3263,
  };

  explicit CStartABsettings(CVX_Setup* setup, CWnd* pParent = nullptr);

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnCancel() override;

 private:
  void Rules();

  dialogs::SetupSnapshot m_atOpening;
};
