#pragma once

#include <nlohmann/json.hpp>

class CWnd;

namespace browser {

// What a kernel widget holds beyond its caption, for the page to draw it:
// a bar graph's "low", "high", "value", "reference" and "color"; an encoder
// dial's "angle" in radians; a phase diagram's "phases", "values", "full",
// "magnitude" and "angle" (radians from phase A's axis). Null for any other window, and for a widget
// control no widget object has taken yet.
nlohmann::json WidgetJson(const CWnd* window);

}  // namespace browser
