#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kernel/ui/edit_setup_dlg.h"

// The base of every setup dialog of the plug-in. To the kernel's dialog base
// it adds one thing: when the user changes a gain, the registers that depend
// on it are computed at once and the gain is recovered from them; any other
// typed value is brought to what the registers give back for it. So the
// dialog always shows the value the drive will really use.
class CMySetupDlg : public CVX_EditSetupDlg {
 public:
  CMySetupDlg(CVX_Setup* setup, UINT nIDTemplate, std::vector<std::string> guidelineSteps = {},
              CWnd* pParentWnd = nullptr);

  void OnChangingParameterValue(const std::string& name) override;
  void OnChangedParameterValue(const std::string& name) override;

 protected:
  // After a value was typed into an edit: it, and every value on view in
  // another edit, becomes the one the drive will use (what the registers
  // computed from the setup give back), so that the edits show those. A
  // typed value can change another on view where both share registers (the
  // ends of the position range) or one is a share of the other (an integral
  // limit of a speed limit).
  void KeepValuesAsDriveUses(const std::string& name);

 private:
  // A distance, speed or acceleration the person entered is one on the
  // shaft: a new step count, microstep count or control type changes the
  // drive units it is held in, not the value. Taken as the change begins,
  // put back after the step units are rebuilt (again after the microstep
  // count is corrected to a power of two).
  std::optional<std::vector<std::pair<std::string, double>>> m_motionValues;
};
