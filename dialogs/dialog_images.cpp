#include "dialogs/dialog_images.h"

#include "platform/bitmap.h"
#include "platform/controls.h"

namespace dialogs {

void ShowImage(CWnd& dialog, int id, std::string_view name) {
  CBitmap bitmap;
  if (!bitmap.LoadBitmap(name)) return;
  CWnd* control = dialog.GetDlgItem(id);
  if (auto* button = dynamic_cast<CButton*>(control)) button->SetBitmap(bitmap);
  if (auto* picture = dynamic_cast<CStatic*>(control)) picture->SetBitmap(bitmap);
}

}  // namespace dialogs
