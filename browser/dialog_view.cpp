#include "browser/dialog_view.h"

#include <fmt/format.h>

#include "browser/widget_view.h"

#include "kernel/ui/graph_window.h"
#include "platform/control_listing.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/resources.h"

namespace browser {

namespace {

using platform::ControlClass;
using platform::ControlState;

bool HasRange(ControlClass cls) {
  return cls == ControlClass::kSlider || cls == ControlClass::kSpin || cls == ControlClass::kProgress;
}

// The kernel's displays other than the plot, drawn from what their widget
// object holds.
bool IsWidget(ControlClass cls) {
  return cls == ControlClass::kBarGraph || cls == ControlClass::kEncoderDiagram || cls == ControlClass::kPhaseDiagram;
}

bool HasItems(ControlClass cls) { return cls == ControlClass::kComboBox || cls == ControlClass::kTab; }

std::string IconName(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
      return "error";
    case MB_ICONQUESTION:
      return "question";
    case MB_ICONWARNING:
      return "warning";
    case MB_ICONINFORMATION:
      return "information";
    default:
      return "";
  }
}

Json ControlJson(const platform::ListedControl& control) {
  const ControlState& s = control.state;
  Json json{{"id", control.id > 0 ? Json(control.id) : Json(nullptr)},
            {"class", std::string(platform::ControlClassName(s.cls))},
            {"x", s.rect.left},
            {"y", s.rect.top},
            {"w", s.rect.Width()},
            {"h", s.rect.Height()},
            {"text", s.text},
            {"visible", s.visible},
            {"enabled", s.enabled},
            {"color", platform::ColorText(s.color)}};
  if (platform::HasCheckState(s.cls)) json["checked"] = s.check == BST_CHECKED;
  if (HasItems(s.cls)) {
    json["items"] = s.items;
    json["selection"] = s.selection;
  }
  if (HasRange(s.cls)) {
    json["min"] = s.rangeMin;
    json["max"] = s.rangeMax;
    json["position"] = s.position;
  }
  if (!s.bitmap.empty()) json["bitmap"] = s.bitmap;
  if (s.readOnly) json["readonly"] = true;
  if (s.multiline) json["multiline"] = true;
  if (s.editable) json["editable"] = true;
  if (s.defaultButton) json["default"] = true;
  return json;
}

}  // namespace

std::string PlotKey(std::uint64_t dialogSerial, int controlId) { return fmt::format("{}-{}", dialogSerial, controlId); }

DialogView DialogViewer::View(const std::vector<CDialog*>& dialogs) {
  DialogView view;
  std::map<std::string, CachedPlot> kept;
  for (const CDialog* dialog : dialogs) {
    if (dialog && dialog->m_hWnd) view.dialogs.push_back(DialogJson(*dialog, view, kept));
  }
  // Plots of dialogs that closed are dropped with them.
  plots_ = std::move(kept);
  return view;
}

Json DialogViewer::DialogJson(const CDialog& dialog, DialogView& view, std::map<std::string, CachedPlot>& kept) {
  const platform::ControlListing listing = platform::ListControls(dialog);
  RECT client{};
  dialog.GetClientRect(&client);
  Json controls = Json::array();
  for (const platform::ListedControl& control : listing.controls) {
    Json json = ControlJson(control);
    if (!control.state.bitmap.empty()) {
      if (const platform::BitmapResource* bitmap = platform::CurrentResources().FindBitmap(control.state.bitmap)) {
        view.bitmaps[bitmap->name] = bitmap->path;
      }
    }
    if (IsWidget(control.state.cls) && control.id > 0) {
      Json widget = WidgetJson(dialog.GetDlgItem(control.id));
      if (!widget.is_null()) json["widget"] = std::move(widget);
    }
    if (control.state.cls == ControlClass::kGraph && control.id > 0) {
      const auto* window = dynamic_cast<const CGraphWindow*>(dialog.GetDlgItem(control.id));
      if (window && window->GetFilter()) {
        const std::string key = PlotKey(dialog.GetModalSerial(), control.id);
        const std::string stamp = PlotStamp(*window);
        CachedPlot cached;
        const auto found = plots_.find(key);
        if (found != plots_.end() && found->second.stamp == stamp) {
          cached = found->second;
        } else {
          cached = CachedPlot{stamp, std::make_shared<const PlotCopy>(*window)};
        }
        view.plots[key] = cached.copy;
        kept[key] = cached;
        json["plot"] = {{"key", key}, {"stamp", stamp}, {"points", cached.copy->PointCount()}};
      }
    }
    controls.push_back(std::move(json));
  }
  return Json{{"serial", dialog.GetModalSerial()},
              {"caption", listing.caption},
              {"template", listing.templateId},
              {"w", client.right - client.left},
              {"h", client.bottom - client.top},
              {"controls", std::move(controls)}};
}

Json MessageBoxJson(const platform::MessageBoxRequest& box) {
  Json buttons = Json::array();
  for (int button : platform::MessageBoxButtons(box.type)) buttons.push_back(std::string(platform::ButtonName(button)));
  return Json{{"text", box.text}, {"caption", box.caption}, {"buttons", buttons}, {"icon", IconName(box.type)}};
}

}  // namespace browser
