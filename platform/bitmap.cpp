#include "platform/bitmap.h"

#include <string>

#include "platform/resources.h"

BOOL CBitmap::LoadBitmap(std::string_view name) {
  m_bitmap = platform::CurrentResources().FindBitmap(name);
  return m_bitmap ? TRUE : FALSE;
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) { return LoadBitmap(std::to_string(nIDResource)); }

BOOL CBitmap::DeleteObject() {
  const bool had = m_bitmap != nullptr;
  m_bitmap = nullptr;
  return had ? TRUE : FALSE;
}

BOOL AfxLoadString(UINT nID, std::string& text) {
  const std::string* found = platform::CurrentResources().FindString(static_cast<int>(nID));
  text = found ? *found : std::string();
  return found ? TRUE : FALSE;
}
