#include "dialogs/test_openers.h"

#include "dialogs/filters_dlg.h"
#include "dialogs/inertia_question_dialog.h"

namespace dialogs {
namespace {

INT_PTR OpenInertiaQuestion(CVX_Setup* setup, CWnd* parent) {
  CInertiaQuestion question(setup, parent);
  return question.DoModal();
}

INT_PTR OpenFilters(CVX_Setup* setup, int lock, CWnd* parent) { return EditFilters(*setup, lock, parent); }

}  // namespace

commissioning::SetupDialogOpeners SetupDialogOpenersForTests() {
  return {.inertiaQuestion = &OpenInertiaQuestion, .filters = &OpenFilters};
}

}  // namespace dialogs
