#pragma once

#include "commissioning/motion_tuning_test.h"

// "Speed Controller Tuning Test": the speed controller's gains designed from
// a bandwidth, a damping and the total inertia ("Tune"), then tried on the
// drive with a speed profile whose response is plotted. The Drive Setup
// dialog opens it.
class CTestSpeedTuning : public CMotionTuningTest {
 public:
  explicit CTestSpeedTuning(CVX_Setup* setup, const commissioning::SetupDialogOpeners& openers = {},
                            CWnd* pParent = nullptr);

  void OnChangedParameterValue(const std::string& name) override;

 protected:
  commissioning::Result<PlannedRun> PlanRun() override;
  bool WriteLimitInputs(CVX_CoffFormat& coff) override;
};
