#include "dialogs/inertia_question_dialog.h"

#include "engine/setup_access.h"
#include "kernel/setup.h"

using namespace inertiaquestion;

namespace {

// The total inertia is set a little above the motor's, so that the motor
// inertia is strictly the smaller and the question is not asked again.
constexpr double kTotalOverMotorInertia = 1.01;

}  // namespace

BEGIN_MESSAGE_MAP(CInertiaQuestion, CMySetupDlg)
  ON_BN_CLICKED(kIncreaseRadio, &CInertiaQuestion::OnIncrease)
  ON_BN_CLICKED(kIgnoreRadio, &CInertiaQuestion::OnIgnore)
END_MESSAGE_MAP()

CInertiaQuestion::CInertiaQuestion(CVX_Setup* setup, CWnd* pParent) : CMySetupDlg(setup, kTemplateId, {}, pParent) {}

BOOL CInertiaQuestion::OnInitDialog() {
  CMySetupDlg::OnInitDialog();
  if (m_choice == kIncreaseTotalInertia || m_choice == kIgnoreMotorInertia)
    CheckRadioButton(kIncreaseRadio, kIgnoreRadio, m_choice == kIncreaseTotalInertia ? kIncreaseRadio : kIgnoreRadio);
  Rules();
  return TRUE;
}

void CInertiaQuestion::Rules() {
  EnableChild(IDOK, m_choice == kIncreaseTotalInertia || m_choice == kIgnoreMotorInertia);
}

void CInertiaQuestion::OnIncrease() {
  m_choice = kIncreaseTotalInertia;
  Rules();
}

void CInertiaQuestion::OnIgnore() {
  m_choice = kIgnoreMotorInertia;
  Rules();
}

void CInertiaQuestion::OnOK() {
  CVX_Setup& setup = *GetSetup();
  if (m_choice == kIncreaseTotalInertia) {
    const auto motor = engine::Base(setup, "Jm");
    if (motor) engine::WriteBase(setup, "Jt", *motor * kTotalOverMotorInertia);
  } else if (m_choice == kIgnoreMotorInertia) {
    engine::WriteBase(setup, "isMotorInertiaUnknown", 1.0);
  } else {
    AfxMessageBox("No selection has been made. The dialog can only close if you make a selection.");
    return;
  }
  CMySetupDlg::OnOK();
}
