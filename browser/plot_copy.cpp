#include "browser/plot_copy.h"

#include <fmt/format.h>

#include <algorithm>

#include "kernel/ui/graph_window.h"

namespace browser {

namespace {

constexpr int kAxes = 3;  // x, left y, right y

}  // namespace

PlotCopy::PlotCopy(const CGraphWindow& window) {
  const CGraphFilter* shown = window.GetFilter();
  if (!shown) return;
  const CGraphDocument& source = shown->GetDocument();
  document_.SetColumns(source.GetColumns());
  const std::size_t points = std::min(window.GetShownPoints(), source.GetPointCount());
  for (std::size_t i = 0; i < points; ++i) document_.AddPoint(source.GetPoint(i));
  CGraphFilter& filter = document_.GetFilter();
  for (const CXYCurve& curve : shown->GetCurves()) filter.AddCurve(curve);
  for (int axis = 0; axis < kAxes; ++axis) filter.SetRange(axis, shown->GetRange(axis), shown->IsFixed(axis));
}

std::string PlotCopy::Svg(kernel::SvgSize size) const { return kernel::RenderGraphSvg(document_.GetFilter(), size); }

std::string PlotCopy::Csv() const { return kernel::RenderGraphCsv(document_); }

std::string PlotStamp(const CGraphWindow& window) {
  const CGraphFilter* filter = window.GetFilter();
  if (!filter) return {};
  return fmt::format("{}.{}", filter->GetDocument().GetRevision(), window.GetShownPoints());
}

}  // namespace browser
