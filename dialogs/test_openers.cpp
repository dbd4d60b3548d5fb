#include "dialogs/test_openers.h"

#include "dialogs/inertia_question_dialog.h"

namespace dialogs {
namespace {

INT_PTR OpenInertiaQuestion(CVX_Setup* setup, CWnd* parent) {
  CInertiaQuestion question(setup, parent);
  return question.DoModal();
}

}  // namespace

commissioning::SetupDialogOpeners SetupDialogOpenersForTests() {
  // The Filters dialog joins when it is part of the plug-in; until then the
  // tuning tests' Filters button does nothing.
  return {.inertiaQuestion = &OpenInertiaQuestion, .filters = nullptr};
}

}  // namespace dialogs
