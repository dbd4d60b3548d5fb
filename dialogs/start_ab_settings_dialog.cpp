#include "dialogs/start_ab_settings_dialog.h"

#include "engine/setup_access.h"
#include "kernel/probe.h"

using namespace startab;

namespace {}

CStartABsettings::CStartABsettings(CVX_Setup* setup, CWnd* pParent)
    : CMySetupDlg(setup, kTemplateId, {}, pParent), m_atOpening(*setup) {
  AddParameterControls("time_AB", kTimeEdit, kTimeUnit);
  if (kernel::HasParameter(*setup, "ABSTART_MINMOVE"))
    AddParameterControls("ABSTART_MINMOVE_PERCENT", kMinimumMoveEdit, kMinimumMoveUnit);
}

BOOL CStartABsettings::OnInitDialog() {
  CMySetupDlg::OnInitDialog();
  RefreshAllParameters();
  UpdateData(FALSE);
  return TRUE;
}

void CStartABsettings::DoDataExchange(CDataExchange* pDX) {
  CMySetupDlg::DoDataExchange(pDX);
  if (!pDX->m_bSaveAndValidate) Rules();
}

void CStartABsettings::Rules() {
  CVX_Setup& setup = *GetSetup();
  // Only a closed loop sees whether the motor moved.
  const bool closedLoop = engine::Base(setup, "StepperControlType").value_or(0.0) == 1.0;
  ShowChildren({kMinimumMoveLabel, kMinimumMoveEdit, kMinimumMoveUnit, kMinimumMoveTrailer},
               kernel::HasParameter(setup, "ABSTART_MINMOVE") && closedLoop);
}

void CStartABsettings::OnCancel() {
  m_atOpening.RestoreInto(*GetSetup());
  CMySetupDlg::OnCancel();
}
