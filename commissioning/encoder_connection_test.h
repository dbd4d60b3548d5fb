#pragma once

#include "commissioning/encoder_connection_base.h"
#include "commissioning/encoder_connection_test_controls.h"
#include "commissioning/encoder_load_connection_test_controls.h"
#include "commissioning/ssi_connection_test_controls.h"
#include "kernel/ui/encoder_diagram.h"

// "Encoder Connections Test" of the motor's incremental or sine/cosine
// encoder (template 291): the position counter while the person turns the
// shaft, and where an index input exists, the position the index captured.
class CTestEncoderConnections : public CEncoderConnectionTest {
 public:
  CTestEncoderConnections(CVX_Setup* setup, int flag, CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;

  static constexpr const char* kIndexNotDetected = "not detected";

 protected:
  bool ShowPositions() override;
  const char* FinishedText() const override;
  void ClearDisplays() override;

 private:
  bool ShowIndexCapture();

  bool m_indexShown = false;
  bool m_captureArmed = false;
  double m_lines = 0.0;
  // Lines, times the interpolation of a sine/cosine encoder: what one
  // quarter of the dial's cycle counts.
  double m_countsPerLine = 0.0;
  CEncoderDiagram m_dial;
};

// The same for the load's encoder (template 3060), with the motor's counter
// beside it when the motor has a sensor too.
class CTestEncoderLdConnections : public CEncoderConnectionTest {
 public:
  CTestEncoderLdConnections(CVX_Setup* setup, int flag, CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;

 protected:
  bool ShowPositions() override;
  const char* FinishedText() const override;
  void ClearDisplays() override;

 private:
  bool m_motorShown = false;
};

// "Encoder Connections Test" of a serial (SSI or BiSS) encoder, on the motor
// or on the load (template 3063).
class CTestSSIEncoderConnections : public CEncoderConnectionTest {
 public:
  CTestSSIEncoderConnections(CVX_Setup* setup, int flag, CWnd* pParentWnd = nullptr);

  BOOL OnInitDialog() override;

 protected:
  bool ShowPositions() override;
  bool ResetsBoardAtEnd() const override { return true; }
  void ClearDisplays() override;
};
