#pragma once

#include <string>

#include "commissioning/my_test_dlg.h"
#include "commissioning/phase_connection_test_controls.h"
#include "kernel/coff_format.h"
#include "kernel/ui/bar_graph.h"

// "Motor Phase Connection Test": drives the voltage that held the test
// current through phase A (found by the positioning program) through the
// phases and checks that the currents in phases A and B have the sizes and
// signs of a motor whose phases are all connected and balanced.
class CTestPhaseConnections : public CMyTestDlg {
 public:
  CTestPhaseConnections(CVX_Setup* setup, int flag, CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;
  void BeginTest() override;

  static constexpr int kStepCount = 5;
  static constexpr const char* kFailureText =
      "Possible causes of failure:\n\t- one of the motor phases is disconnected\n\t- the motor phases are unbalanced "
      "(they do not have the same resistance)\n\t- the test current isn't high enough.\nPlease check the motor phase "
      "connections to the drive and repeat the test. If the test fails and the connections are OK, increase the "
      "test current value.";

 protected:
  void OnPollTick() override;

 private:
  void AfterPositioning();
  void AfterConnectionRun();
  bool ThreePhaseOpenLoop() const;
  void ShowCurrents(double ia_A, double ib_A);

  std::string m_positioningName;
  std::string m_testName;
  CVX_CoffFormat m_positioning;
  CVX_CoffFormat m_test;
  CBarGraph m_phaseABar;
  CBarGraph m_phaseBBar;
};
