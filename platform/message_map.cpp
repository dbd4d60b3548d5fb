#include "platform/message_map.h"

namespace platform {

namespace {

bool Matches(const MessageMapEntry& entry, UINT message, WPARAM wParam, LPARAM lParam) {
  if (entry.message != message) return false;
  UINT code = 0;
  UINT id = 0;
  if (message == WM_COMMAND) {
    code = HIWORD(wParam);
    id = LOWORD(wParam);
  } else if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header) return false;
    code = header->code;
    id = static_cast<UINT>(header->idFrom);
  } else {
    return true;
  }
  return entry.code == code && id >= entry.firstId && id <= entry.lastId;
}

}  // namespace

const MessageMapEntry* FindHandler(const MessageMap* map, UINT message, WPARAM wParam, LPARAM lParam) {
  for (; map; map = map->base ? map->base() : nullptr) {
    for (const MessageMapEntry& entry : map->entries) {
      if (Matches(entry, message, wParam, lParam)) return &entry;
    }
  }
  return nullptr;
}

}  // namespace platform
