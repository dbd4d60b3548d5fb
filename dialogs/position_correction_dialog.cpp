#include "dialogs/position_correction_dialog.h"

#include "kernel/probe.h"

using namespace positioncorrection;

namespace {}

CDrivePositionCorrectionAdvanced::CDrivePositionCorrectionAdvanced(CVX_Setup* setup, CWnd* pParent)
    : CMySetupDlg(setup, kTemplateId, {}, pParent), m_atOpening(*setup) {
  // Only firmware that corrects position errors has these parameters.
  if (!kernel::HasParameter(*setup, "SOLmodeEncOnLoad")) return;
  AddParameterControls("MaxCorrErrUser", kAttemptsEdit);
  AddParameterControls("CspdDecrUser", kSpeedDecreaseEdit, kSpeedDecreaseUnit);
  AddParameterControls("CaccDecrUser", kAccelerationDecreaseEdit, kAccelerationDecreaseUnit);
}

BOOL CDrivePositionCorrectionAdvanced::OnInitDialog() {
  CMySetupDlg::OnInitDialog();
  RefreshAllParameters();
  UpdateData(FALSE);
  return TRUE;
}

void CDrivePositionCorrectionAdvanced::OnCancel() {
  m_atOpening.RestoreInto(*GetSetup());
  CMySetupDlg::OnCancel();
}
