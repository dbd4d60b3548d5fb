#pragma once

#include "dialogs/my_setup_dlg.h"
#include "dialogs/inertia_question_controls.h"

// "Motor inertia" (template 3056): asked when the motor inertia exceeds the
// total inertia. OK either raises the total inertia just above the motor's
// or marks the motor inertia as unknown; nothing is written before OK.
class CInertiaQuestion : public CMySetupDlg {
 public:
  enum Choice : int { kNoChoice = 0, kIncreaseTotalInertia = 1, kIgnoreMotorInertia = 2 };

  explicit CInertiaQuestion(CVX_Setup* setup, CWnd* pParent = nullptr);

  BOOL OnInitDialog() override;
  void OnOK() override;

  int GetChoice() const { return m_choice; }
  // Before DoModal: the answer checked when the dialog opens.
  void SetChoice(int choice) { m_choice = choice; }

 private:
  void Rules();
  void OnIncrease();
  void OnIgnore();

  int m_choice = kIncreaseTotalInertia;

  DECLARE_MESSAGE_MAP()
};
