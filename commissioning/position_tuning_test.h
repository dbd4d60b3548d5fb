#pragma once

#include "commissioning/motion_tuning_test.h"

// "Position Controller Tuning Test": the position controller's gains
// designed from a bandwidth and a damping ("Tune") for the way the loop
// drives the motor (through the speed loop, commanding current, or in open
// loop), then tried on the drive with a position profile whose response is
// plotted. The Drive Setup dialog opens it.
class CTestPositionTuning : public CMotionTuningTest {
 public:
  explicit CTestPositionTuning(CVX_Setup* setup, const commissioning::SetupDialogOpeners& openers = {},
                               CWnd* pParent = nullptr);

  // "Position_Controller_Tuning_Test_with_SpdCtrl_SOL" in open loop; in
  // closed loop "..._with_SpdCtrl_SCL" through the speed loop
  // ("PositionControlType" 1), else "Position_Controller_Tuning_Test_without_SpdCtrl".
  static std::string ProgramFor(const CVX_Setup& setup);

 protected:
  commissioning::Result<PlannedRun> PlanRun() override;
  bool WriteLimitInputs(CVX_CoffFormat& coff) override;

 private:
  void OnFeedForwardFromTransmission();

  bool m_commandsCurrent;  // closed loop, the position loop commanding current
  bool m_speedFeedForward; // the firmware has the speed feed-forward

  DECLARE_MESSAGE_MAP()
};
