#pragma once

#include <string>
#include <vector>

#include "platform/controls.h"

class CDialog;

// The pages of a test dialog's tab control. The template lays each page's
// controls out after the tab control and inside its rectangle, page after
// page; a page begins at the control named for it. Showing a page shows its
// controls and hides the others'; the dialog then applies its own
// visibility rules to what is shown.
class CTabPages {
 public:
  // `captions`: one per page. `firstOfPages`: the first control of each page
  // after the first. False when the template or a control is not found.
  bool Attach(CDialog& dialog, unsigned templateId, int tabId, const std::vector<std::string>& captions,
              const std::vector<int>& firstOfPages);

  // The page the tab control has selected, and the one shown.
  int Selected() const { return m_tab.GetCurSel(); }
  int Shown() const { return m_shown; }
  // Selects and shows `page`.
  void Select(int page);
  // Whether control `id` lies on `page`.
  bool IsOn(int id, int page) const;

 private:
  void Show(int page);

  CDialog* m_dialog = nullptr;
  CTabCtrl m_tab;
  std::vector<std::vector<int>> m_pages;
  int m_shown = -1;
};
