#pragma once

#include <string>

#include "commissioning/analogue_reference.h"
#include "commissioning/analogue_reference_test_controls.h"
#include "commissioning/my_test_dlg.h"
#include "kernel/coff_format.h"
#include "kernel/ui/bar_graph.h"

// "Analogue Reference Test": shows, until the person presses Stop, the
// voltage at the analogue reference input and the command it gives in the
// present control mode, on the scale of the input's range and of the
// command's limits.
class CTestAnalogueRef : public CMyTestDlg {
 public:
  CTestAnalogueRef(CVX_Setup* setup, int flag, CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;
  void BeginTest() override;

  static constexpr int kStepCount = 2;
  static constexpr const char* kProgram = "Analogue_Reference_Test";

 protected:
  void OnPollTick() override;

 private:
  void ClearDisplays();
  // Both bars back to where they start.
  void ResetBars();

  CVX_CoffFormat m_program;
  commissioning::ValueRange m_input;    // volts
  commissioning::ValueRange m_command;  // in the command limits' own unit
  std::string m_caption;
  std::string m_commandUnit;
  CBarGraph m_voltageBar;
  CBarGraph m_commandBar;
};
