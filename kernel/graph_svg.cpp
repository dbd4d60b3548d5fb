#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "kernel/graph_axes.h"
#include "kernel/graph_render.h"
#include "kernel/markup_text.h"

namespace kernel {
namespace {

constexpr int kMarginLeft_px = 80;
constexpr int kMarginRightWithAxis_px = 80;
constexpr int kMarginRight_px = 30;
constexpr int kMarginTop_px = 20;
constexpr int kXAxisBand_px = 50;  // tick labels and the x title under the plot
constexpr int kLegendRow_px = 18;
constexpr int kSmallest_px = 40;   // width and height of the plot area at the least
constexpr const char* kFont = "font-family=\"sans-serif\" font-size=\"12\"";

std::string Number(double value) { return fmt::format("{:g}", value); }

struct PlotArea {
  double left, top, right, bottom;
  double X(double x, CGraphRange r) const { return left + (x - r.min) / (r.max - r.min) * (right - left); }
  double Y(double y, CGraphRange r) const { return bottom - (y - r.min) / (r.max - r.min) * (bottom - top); }
};

// The titles of the columns drawn on `axis`, each once.
std::string AxisTitle(const CGraphFilter& filter, int axis) {
  const CGraphDocument& document = filter.GetDocument();
  std::vector<std::string> titles;
  for (const CXYCurve& curve : filter.GetCurves()) {
    const CGraphColumn* column = document.GetColumn(axis == 0 ? curve.GetXVariable() : curve.GetYVariable());
    if ((axis != 0 && curve.GetAxis() != axis) || !column) continue;
    if (std::find(titles.begin(), titles.end(), column->Title()) == titles.end()) titles.push_back(column->Title());
  }
  std::string text;
  for (const std::string& t : titles) text += (text.empty() ? "" : ", ") + t;
  return text;
}

void DrawXAxis(std::string& svg, const PlotArea& area, const CGraphFilter& filter) {
  const CGraphRange range = filter.GetRange(0);
  for (double tick : AxisTicks(range)) {
    const double x = area.X(tick, range);
    svg += fmt::format("<line x1=\"{0:.2f}\" y1=\"{1:.2f}\" x2=\"{0:.2f}\" y2=\"{2:.2f}\" stroke=\"#DDDDDD\"/>\n", x,
                       area.top, area.bottom);
    svg += fmt::format("<line x1=\"{0:.2f}\" y1=\"{1:.2f}\" x2=\"{0:.2f}\" y2=\"{2:.2f}\" stroke=\"#000000\"/>\n", x,
                       area.bottom, area.bottom + 5);
    svg += fmt::format("<text x=\"{:.2f}\" y=\"{:.2f}\" text-anchor=\"middle\" {}>{}</text>\n", x, area.bottom + 18,
                       kFont, Number(tick));
  }
  svg += fmt::format("<text x=\"{:.2f}\" y=\"{:.2f}\" text-anchor=\"middle\" {}>{}</text>\n",
                     (area.left + area.right) / 2, area.bottom + 38, kFont, kernel::EscapeMarkup(AxisTitle(filter, 0)));
}

void DrawYAxis(std::string& svg, const PlotArea& area, const CGraphFilter& filter, int axis) {
  const CGraphRange range = filter.GetRange(axis);
  const bool left = axis == 1;
  const double edge = left ? area.left : area.right;
  const double outward = left ? -1.0 : 1.0;
  for (double tick : AxisTicks(range)) {
    const double y = area.Y(tick, range);
    if (left) {
      svg += fmt::format("<line x1=\"{0:.2f}\" y1=\"{2:.2f}\" x2=\"{1:.2f}\" y2=\"{2:.2f}\" stroke=\"#DDDDDD\"/>\n",
                         area.left, area.right, y);
    }
    svg += fmt::format("<line x1=\"{0:.2f}\" y1=\"{2:.2f}\" x2=\"{1:.2f}\" y2=\"{2:.2f}\" stroke=\"#000000\"/>\n",
                       edge, edge + 5 * outward, y);
    svg += fmt::format("<text x=\"{:.2f}\" y=\"{:.2f}\" text-anchor=\"{}\" {}>{}</text>\n", edge + 8 * outward, y + 4,
                       left ? "end" : "start", kFont, Number(tick));
  }
  const double titleX = edge + 62 * outward;
  const double titleY = (area.top + area.bottom) / 2;
  svg += fmt::format(
      "<text x=\"{0:.2f}\" y=\"{1:.2f}\" text-anchor=\"middle\" transform=\"rotate(-90 {0:.2f} {1:.2f})\" {2}>{3}</text>\n",
      titleX, titleY, kFont, kernel::EscapeMarkup(AxisTitle(filter, axis)));
}

void DrawCurve(std::string& svg, const PlotArea& area, const CGraphFilter& filter, const CXYCurve& curve) {
  const CGraphDocument& document = filter.GetDocument();
  const CGraphRange xRange = filter.GetRange(0);
  const CGraphRange yRange = filter.GetRange(curve.GetAxis());
  std::string points;
  for (std::size_t i = 0; i < document.GetPointCount(); ++i) {
    const double x = document.GetShownValue(i, curve.GetXVariable());
    const double y = document.GetShownValue(i, curve.GetYVariable());
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    points += fmt::format("{}{:.2f},{:.2f}", points.empty() ? "" : " ", area.X(x, xRange), area.Y(y, yRange));
  }
  svg += fmt::format(
      "<polyline points=\"{}\" fill=\"none\" stroke=\"{}\" stroke-width=\"{}\" stroke-linejoin=\"round\" "
      "clip-path=\"url(#plot-area)\"/>\n",
      points, PaletteColour(curve.GetColour()), curve.GetLineWidth());
}

void DrawLegend(std::string& svg, const PlotArea& area, const CGraphFilter& filter) {
  const CGraphDocument& document = filter.GetDocument();
  double y = area.bottom + kXAxisBand_px + kLegendRow_px / 2.0;
  for (const CXYCurve& curve : filter.GetCurves()) {
    const CGraphColumn* column = document.GetColumn(curve.GetYVariable());
    const std::string title = column ? column->Title() : fmt::format("variable {}", curve.GetYVariable());
    const std::string side = curve.GetAxis() == 2 ? " (right axis)" : "";
    svg += fmt::format("<line x1=\"{0:.2f}\" y1=\"{2:.2f}\" x2=\"{1:.2f}\" y2=\"{2:.2f}\" stroke=\"{3}\" stroke-width=\"{4}\"/>\n",
                       area.left, area.left + 30, y, PaletteColour(curve.GetColour()), curve.GetLineWidth());
    svg += fmt::format("<text x=\"{:.2f}\" y=\"{:.2f}\" {}>{}{}</text>\n", area.left + 38, y + 4, kFont, kernel::EscapeMarkup(title),
                       side);
    y += kLegendRow_px;
  }
}

}  // namespace

std::string RenderGraphSvg(const CGraphFilter& filter, SvgSize size) {
  const bool rightAxis = filter.UsesAxis(2);
  const int legend = static_cast<int>(filter.GetCurves().size()) * kLegendRow_px;
  const int width = std::max(size.width_px, kMarginLeft_px + kMarginRightWithAxis_px + kSmallest_px);
  const int height = std::max(size.height_px, kMarginTop_px + kXAxisBand_px + legend + kSmallest_px);
  const PlotArea area{static_cast<double>(kMarginLeft_px), static_cast<double>(kMarginTop_px),
                      static_cast<double>(width - (rightAxis ? kMarginRightWithAxis_px : kMarginRight_px)),
                      static_cast<double>(height - kXAxisBand_px - legend)};

  std::string svg = fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"{0}\" height=\"{1}\" viewBox=\"0 0 {0} {1}\">\n"
      "<defs><clipPath id=\"plot-area\"><rect x=\"{2:.2f}\" y=\"{3:.2f}\" width=\"{4:.2f}\" height=\"{5:.2f}\"/>"
      "</clipPath></defs>\n"
      "<rect x=\"0\" y=\"0\" width=\"{0}\" height=\"{1}\" fill=\"#FFFFFF\"/>\n",
      width, height, area.left, area.top, area.right - area.left, area.bottom - area.top);
  DrawXAxis(svg, area, filter);
  DrawYAxis(svg, area, filter, 1);
  if (rightAxis) DrawYAxis(svg, area, filter, 2);
  svg += fmt::format("<rect x=\"{:.2f}\" y=\"{:.2f}\" width=\"{:.2f}\" height=\"{:.2f}\" fill=\"none\" stroke=\"#000000\"/>\n",
                     area.left, area.top, area.right - area.left, area.bottom - area.top);
  for (const CXYCurve& curve : filter.GetCurves()) DrawCurve(svg, area, filter, curve);
  DrawLegend(svg, area, filter);
  svg += "</svg>\n";
  return svg;
}

}  // namespace kernel
