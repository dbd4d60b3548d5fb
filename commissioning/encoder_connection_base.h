#pragma once

#include <cstdint>
#include <string>

#include "commissioning/encoder_position.h"
#include "commissioning/my_test_dlg.h"
#include "kernel/coff_format.h"

// What the encoder connection tests share: a program that reports the
// position counters while the person turns the shaft by hand, a poll that
// shows them, and the Start/Stop button, whose Stop ends the test: it
// succeeds when the counters moved and fails otherwise.
class CEncoderConnectionTest : public CMyTestDlg {
 public:
  static constexpr const char* kNoPulsesText =
      "No encoder pulses have been detected.\r\nCheck the encoder connection and power supply.";

 protected:
  CEncoderConnectionTest(CVX_Setup* setup, UINT nIDTemplate, int flag, CWnd* pParentWnd, std::string programName,
                         std::uint16_t errorMask, const char* const* stageTexts);

  BOOL OnInitDialog() override;
  void BeginTest() override;
  void OnPollTick() override;

  // One look at the counters, after the error check; false when the test
  // failed (the poll then stops).
  virtual bool ShowPositions() = 0;
  // The stage text shown when Stop ends a test that saw pulses; none when
  // the test has no such stage.
  virtual const char* FinishedText() const { return nullptr; }
  // The serial tests reset the board at every end.
  virtual bool ResetsBoardAtEnd() const { return false; }
  virtual void ClearDisplays() {}

  commissioning::PulseWatch m_pulses;

 private:
  void OnStartStop();
  void Stop();
  // Ends the program on the drive: it runs until "var_i2" is 1.
  bool EndProgram();

  std::string m_programName;
  std::uint16_t m_errorMask;
  const char* const* m_stageTexts;
  CVX_CoffFormat m_program;

  DECLARE_MESSAGE_MAP()
};
