#pragma once

#include <string>

#include "kernel/graph_document.h"
#include "kernel/graph_render.h"

class CGraphWindow;

namespace browser {

// What a plot of a dialog shows, copied on the user-interface thread so that
// the HTTP handlers can draw it and hand out its files without touching the
// dialog: the points the window has drawn so far, its curves and the ranges
// of its axes. The copy is drawn by the kernel's own renderers, so the page,
// the downloaded SVG and a saved graph show the same curves.
class PlotCopy {
 public:
  explicit PlotCopy(const CGraphWindow& window);
  PlotCopy(const PlotCopy&) = delete;
  PlotCopy& operator=(const PlotCopy&) = delete;

  std::string Svg(kernel::SvgSize size) const;
  std::string Csv() const;
  std::size_t PointCount() const { return document_.GetPointCount(); }

 private:
  CGraphDocument document_;
};

// Changes whenever what `window` shows changes: new points drawn, curves or
// ranges changed. Empty for a window that shows nothing yet.
std::string PlotStamp(const CGraphWindow& window);

}  // namespace browser
