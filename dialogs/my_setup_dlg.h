#pragma once

#include <string>
#include <vector>

#include "kernel/edit_setup_dlg.h"

// The base of every setup dialog of the plug-in. To the kernel's dialog base
// it adds one thing: when the user changes a gain, the registers that depend
// on it are computed at once and the gain is recovered from them, so the
// dialog always shows the value the drive will really use.
class CMySetupDlg : public CVX_EditSetupDlg {
 public:
  CMySetupDlg(CVX_Setup* setup, UINT nIDTemplate, std::vector<std::string> guidelineSteps = {},
              CWnd* pParentWnd = nullptr);

  void OnChangedParameterValue(const std::string& name) override;
};
