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
  std::string TestProgramName() const override;
  commissioning::Result<commissioning::Profile> MakeProfile() override;
  bool WriteLimitInputs(CVX_CoffFormat& coff) override;
  std::optional<std::string> Tune() override;
  std::vector<const char*> TunedGains() const override;
  double LiveTarget() override;

 private:
  void OnFeedForwardFromTransmission();

  std::string m_program;
  bool m_commandsCurrent;  // closed loop, the position loop commanding current
  bool m_speedFeedForward; // the firmware has the speed feed-forward
  double m_target = 0.0;   // the test position in the loop's counts

  DECLARE_MESSAGE_MAP()
};
