#pragma once

#include "commissioning/my_test_dlg.h"
#include "kernel/coff_format.h"

// "VDC Detection Test": the drive measures its DC supply, and the test
// proposes the measured value as "Vdc". The Drive Setup dialog's "Detect"
// button opens it.
//
// A measured value is kept only through the closing question (Yes); any
// other end leaves "Vdc" as it was. A measurement outside the range the
// setup accepts for "Vdc" fails rather than being stored clipped.
class CTestVdcDetection : public CMyTestDlg {
 public:
  explicit CTestVdcDetection(CVX_Setup* setup, CWnd* pParent = nullptr);

  BOOL OnInitDialog() override;
  void BeginTest() override;
  void OnCancel() override;

 protected:
  void OnPollTick() override;

 private:
  void Evaluate();

  CVX_CoffFormat m_coff;
  double m_oldVdc_V = 0.0;
  double m_vdcMaxMeasurable_V = 0.0;
};
