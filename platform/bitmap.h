#pragma once

#include <string>
#include <string_view>

#include "platform/win_types.h"

// A bitmap of the current resources, for bitmap buttons and pictures.
class CBitmap {
 public:
  // FALSE when the resources hold no bitmap of that name; a numeric
  // resource is named by its decimal identifier ("3016").
  BOOL LoadBitmap(std::string_view name);
  BOOL LoadBitmap(UINT nIDResource);
  BOOL DeleteObject();
  HBITMAP GetSafeHandle() const { return m_bitmap; }
  operator HBITMAP() const { return m_bitmap; }

 private:
  HBITMAP m_bitmap = nullptr;
};

// The text of string resource `nID`; FALSE (and an empty text) when missing.
BOOL AfxLoadString(UINT nID, std::string& text);
