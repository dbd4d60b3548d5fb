#pragma once

#include "commissioning/my_test_dlg.h"
#include "kernel/coff_format.h"

// "Total inertia test": after the rotor is positioned, the drive accelerates
// the motor with the test current up to "TestMaxSpeed" and reports the
// speed gained in a time; the test computes the total inertia "Jt" of motor
// and load from it. The speed and position tuning tests open it.
//
// The measured "Jt" is stored at once and kept only through the closing
// question (Yes); No writes the old value back, and any end but OK leaves
// the setup as it was.
class CTotalInertiaTest : public CMyTestDlg {
 public:
  explicit CTotalInertiaTest(CVX_Setup* setup, CWnd* pParent = nullptr);

  BOOL OnInitDialog() override;
  void BeginTest() override;
  void OnOK() override;
  void OnCancel() override;

 protected:
  void OnPollTick() override;

 private:
  void OnStartStop();
  void StartIdentification();
  void Evaluate();

  CVX_CoffFormat m_positioning;
  CVX_CoffFormat m_identification;
  double m_testCurrent = 0.0;  // internal units, whole counts
  double m_oldInertia_kgm2 = 0.0;

  DECLARE_MESSAGE_MAP()
};
