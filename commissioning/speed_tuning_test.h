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
  std::string TestProgramName() const override;
  commissioning::Result<commissioning::Profile> MakeProfile() override;
  bool WriteLimitInputs(CVX_CoffFormat& coff) override;
  std::optional<std::string> Tune() override;
  std::vector<const char*> TunedGains() const override;
  double LiveTarget() override;

 private:
  // The test speed as the drive runs it; "TestSpeed" shows it quantised.
  std::optional<double> m_speed;
};
