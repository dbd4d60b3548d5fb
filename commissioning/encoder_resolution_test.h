#pragma once

#include "commissioning/my_test_dlg.h"
#include "kernel/coff_format.h"
#include "kernel/resolution.h"
#include "kernel/ui/encoder_diagram.h"

// "Encoder Resolution And Direction Test": after the rotor is positioned,
// the drive turns the motor one turn through its electrical cycles while the
// test follows the motor encoder's counter live; from the final count it
// estimates the encoder's lines per revolution and checks that the counter
// runs with the phase sequence. The motor dialog opens it.
//
// The estimate is stored as "No_encoder_lines" only on Yes to the closing
// question.
class CDetectEncoderResolution : public CMyTestDlg {
 public:
  explicit CDetectEncoderResolution(CVX_Setup* setup, CWnd* pParent = nullptr);

  BOOL OnInitDialog() override;
  void BeginTest() override;
  void OnCancel() override;
  void OnChangedParameterValue(const std::string& name) override;

  // The estimate of the last run, 0 before one succeeded.
  int EstimatedLines() const { return m_bestLines; }
  // "ReverseCounting" as the person set it in the dialog, -1 while they have
  // not changed it: the opener keeps it whatever the dialog's end.
  int CountingDirection() const { return m_countingDirection; }

 protected:
  void OnPollTick() override;

 private:
  void StartTurn();
  void FollowCounter();
  void Evaluate();
  std::optional<double> ReadCounter();

  CVX_CoffFormat m_positioning;
  CVX_CoffFormat m_test;
  std::string m_testProgram;
  CEncoderDiagram m_dial;
  CResolution m_resolutions;
  double m_testCurrent = 0.0;
  int m_bestLines = 0;
  int m_electricalCycles = 0;  // of the revolution the test program turns
  bool m_moved = false;
  int m_countingDirection = -1;
  bool m_hasReverseCounting = false;
};
