#pragma once

#include <string_view>

class CWnd;

namespace dialogs {

// Shows the bitmap `name` of the resources on the bitmap button or picture
// `id` of `dialog`; nothing when either is missing.
void ShowImage(CWnd& dialog, int id, std::string_view name);

}  // namespace dialogs
