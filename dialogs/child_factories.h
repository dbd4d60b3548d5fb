#pragma once

#include <memory>

#include "dialogs/test_openers.h"
#include "platform/dialog.h"

class CVX_Setup;
class CWnd;

// How the setup dialogs make the dialogs and tests their buttons open, as
// the factory entries of their button tables (one way for every opener).
namespace dialogs {

// A dialog made from the setup and its parent.
template <class Dialog>
std::unique_ptr<CDialog> Make(CVX_Setup* setup, CWnd* parent) {
  return std::make_unique<Dialog>(setup, parent);
}

// A tuning test, with the setup dialogs it opens itself.
template <class Test>
std::unique_ptr<CDialog> MakeTuning(CVX_Setup* setup, CWnd* parent) {
  return std::make_unique<Test>(setup, SetupDialogOpenersForTests(), parent);
}

// A test made with its mode argument 1.
template <class Test>
std::unique_ptr<CDialog> MakeTest(CVX_Setup* setup, CWnd* parent) {
  return std::make_unique<Test>(setup, 1, parent);
}

}  // namespace dialogs
