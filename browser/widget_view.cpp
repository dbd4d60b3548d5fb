#include "browser/widget_view.h"

#include "kernel/ui/bar_graph.h"
#include "kernel/ui/encoder_diagram.h"
#include "kernel/ui/phase_diagram.h"
#include "platform/user_actions.h"

namespace browser {

nlohmann::json WidgetJson(const CWnd* window) {
  if (const auto* bar = dynamic_cast<const CBarGraph*>(window)) {
    return {{"low", bar->GetLow()},
            {"high", bar->GetHigh()},
            {"value", bar->GetValue()},
            {"reference", bar->GetDrawingReference()},
            {"color", platform::ColorText(bar->GetBarColor())}};
  }
  if (const auto* dial = dynamic_cast<const CEncoderDiagram*>(window)) return {{"angle", dial->GetAngle()}};
  if (const auto* phases = dynamic_cast<const CPhaseDiagram*>(window)) {
    return {{"phases", phases->GetPhaseCount()},
            {"values", phases->GetPhaseValues()},
            {"full", phases->GetFullScale()},
            {"magnitude", phases->GetMagnitude()},
            {"angle", phases->GetAngle()}};
  }
  return nullptr;
}

}  // namespace browser
