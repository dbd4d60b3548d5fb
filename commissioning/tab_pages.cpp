#include "commissioning/tab_pages.h"

#include <algorithm>

#include "platform/dialog.h"
#include "platform/resources.h"

bool CTabPages::Attach(CDialog& dialog, unsigned templateId, int tabId, const std::vector<std::string>& captions,
                       const std::vector<int>& firstOfPages) {
  const platform::DialogTemplate* layout = platform::CurrentResources().FindDialog(static_cast<int>(templateId));
  if (!layout || !m_tab.SubclassDlgItem(tabId, &dialog)) return false;
  const platform::ControlTemplate* tab = layout->FindControl(tabId);
  if (!tab) return false;
  m_dialog = &dialog;
  m_pages.assign(captions.size(), {});
  const auto inside = [tab](const platform::ControlTemplate& c) {
    return c.x >= tab->x && c.y >= tab->y && c.x + c.w <= tab->x + tab->w && c.y + c.h <= tab->y + tab->h;
  };
  const auto after = std::find_if(layout->controls.begin(), layout->controls.end(),
                                  [tabId](const platform::ControlTemplate& c) { return c.id == tabId; });
  std::size_t page = 0;
  for (auto it = after + 1; it != layout->controls.end() && inside(*it); ++it) {
    if (page < firstOfPages.size() && it->id == firstOfPages[page]) ++page;
    if (page < m_pages.size() && it->id > 0) m_pages[page].push_back(it->id);
  }
  for (std::size_t k = 0; k < captions.size(); ++k) m_tab.InsertItem(static_cast<int>(k), captions[k]);
  Select(0);
  return page + 1 == captions.size();
}

void CTabPages::Select(int page) {
  m_tab.SetCurSel(page);
  Show(page);
}

bool CTabPages::IsOn(int id, int page) const {
  if (page < 0 || page >= static_cast<int>(m_pages.size())) return false;
  const std::vector<int>& ids = m_pages[static_cast<std::size_t>(page)];
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

void CTabPages::Show(int page) {
  if (!m_dialog) return;
  m_shown = page;
  for (std::size_t k = 0; k < m_pages.size(); ++k) {
    const int show = static_cast<int>(k) == page ? SW_SHOW : SW_HIDE;
    for (int id : m_pages[k])
      if (CWnd* control = m_dialog->GetDlgItem(id)) control->ShowWindow(show);
  }
}
