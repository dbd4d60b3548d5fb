#pragma once

#include <chrono>
#include <optional>

#include "commissioning/my_test_dlg.h"
#include "commissioning/ssi_offset_test_controls.h"
#include "kernel/coff_format.h"

// "Detect Offset Test": aligns the rotor with phase A and reads the serial
// (SSI or BiSS) encoder there; the reading, within one revolution, is the
// offset "ZAOFF" between the encoder's zero and the rotor's electrical zero.
// The board is reset at every end of a run.
class CTestSSIEncoderOffset : public CMyTestDlg {
 public:
  CTestSSIEncoderOffset(CVX_Setup* setup, int flag, CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;
  void OnCancel() override;
  void BeginTest() override;

  static constexpr int kStepCount = 2;
  static constexpr const char* kProgram = "SSI_Encoder_Offset_Detection_Test";
  static constexpr const char* kNoResult = "The encoder offset test ended without a result.";
  // How long after its end the program may still be writing its result.
  static constexpr std::chrono::seconds kResultTimeout{1};

 protected:
  void OnPollTick() override;

 private:
  void AfterDetection();

  CVX_CoffFormat m_program;
  double m_offsetAtOpening = 0.0;
  std::optional<std::chrono::nanoseconds> m_endedAt;
};
