// The guideline assistant: a read-only text (edit 10007) that walks the
// person through the dialog one step at a time with "Previous" (10005) and
// "Next" (10006).

#include "kernel/ui/edit_setup_dlg.h"

namespace {

enum : int { kPreviousButton = 10005, kNextButton = 10006, kStepText = 10007 };

}  // namespace

bool CVX_EditSetupDlg::HasGuideline() const {
  return !m_guidelineSteps.empty() && GetDlgItem(kStepText) && GetDlgItem(kPreviousButton) &&
         GetDlgItem(kNextButton);
}

void CVX_EditSetupDlg::ShowGuidelineStep(std::size_t step) {
  m_guidelineStep = step;
  SetChildText(kStepText, m_guidelineSteps[step]);
  EnableChild(kPreviousButton, step > 0);
  EnableChild(kNextButton, step + 1 < m_guidelineSteps.size());
}

bool CVX_EditSetupDlg::OnGuidelineCommand(UINT code, int id) {
  if (code != BN_CLICKED || (id != kPreviousButton && id != kNextButton) || !HasGuideline()) return false;
  if (id == kPreviousButton && m_guidelineStep > 0) ShowGuidelineStep(m_guidelineStep - 1);
  if (id == kNextButton && m_guidelineStep + 1 < m_guidelineSteps.size()) ShowGuidelineStep(m_guidelineStep + 1);
  return true;
}
