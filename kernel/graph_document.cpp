#include "kernel/graph_document.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "kernel/graph_axes.h"
#include "kernel/graph_render.h"
#include "kernel/plot_files.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool ValidAxis(int axis) { return axis >= 0 && axis <= 2; }

}  // namespace

namespace kernel {
namespace {

// Dark colours first, which read well on white; the light ones after them
// tell apart many curves of one plot.
constexpr std::array<const char*, kPaletteSize> kPalette{
    "#000000", "#1F77B4", "#D62728", "#2CA02C", "#FF7F0E", "#9467BD", "#8C564B", "#E377C2",
    "#17BECF", "#7F7F7F", "#BCBD22", "#AEC7E8", "#FF9896", "#98DF8A", "#FFBB78", "#C5B0D5",
};

}  // namespace

std::string PaletteColour(int index) {
  const int wrapped = ((index % kPaletteSize) + kPaletteSize) % kPaletteSize;
  return kPalette[static_cast<std::size_t>(wrapped)];
}

}  // namespace kernel

std::string CGraphColumn::Title() const { return unit.empty() ? name : name + " [" + unit + "]"; }

CXYCurve::CXYCurve(int xVariable, int yVariable, int axis, int colour, int lineWidth)
    : m_x(xVariable), m_y(yVariable), m_axis(axis == 2 ? 2 : 1), m_colour(colour), m_width(std::max(lineWidth, 1)) {}

void CGraphFilter::AddCurve(const CXYCurve& curve) {
  m_curves.push_back(curve);
  m_document->Touch();
}

void CGraphFilter::RemoveAllCurves() {
  m_curves.clear();
  m_document->Touch();
}

bool CGraphFilter::UsesAxis(int axis) const {
  return std::any_of(m_curves.begin(), m_curves.end(), [axis](const CXYCurve& c) { return c.GetAxis() == axis; });
}

CGraphRange CGraphFilter::GetRange(int axis) const { return ValidAxis(axis) ? m_axes[axis].range : CGraphRange{}; }

bool CGraphFilter::IsFixed(int axis) const { return ValidAxis(axis) && m_axes[axis].fixed; }

bool CGraphFilter::SetRange(int axis, CGraphRange range, bool fixed) {
  if (!ValidAxis(axis) || !std::isfinite(range.min) || !std::isfinite(range.max) || range.max <= range.min) {
    return false;
  }
  m_axes[axis] = {range, fixed};
  m_document->Touch();
  return true;
}

void CGraphFilter::ZoomOut() {
  struct Extent {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void Take(double v) {
      if (!std::isfinite(v)) return;
      low = std::min(low, v);
      high = std::max(high, v);
    }
    bool Empty() const { return low > high; }
  };
  Extent extents[3];
  const CGraphDocument& document = *m_document;
  for (const CXYCurve& curve : m_curves) {
    for (std::size_t i = 0; i < document.GetPointCount(); ++i) {
      const double x = document.GetShownValue(i, curve.GetXVariable());
      const double y = document.GetShownValue(i, curve.GetYVariable());
      // A point is drawn only with both coordinates.
      if (!std::isfinite(x) || !std::isfinite(y)) continue;
      extents[0].Take(x);
      extents[curve.GetAxis()].Take(y);
    }
  }
  for (int axis = 0; axis <= 2; ++axis) {
    if (m_axes[axis].fixed || extents[axis].Empty()) continue;
    m_axes[axis].range = kernel::NiceRange(extents[axis].low, extents[axis].high);
  }
  m_document->Touch();
}

int CGraphFilter::ExportToASCII(std::string_view name) const {
  return kernel::WritePlotFile(name, ".csv", kernel::RenderGraphCsv(*m_document)) ? 1 : 0;
}

CGraphDocument::CGraphDocument() { m_filters.push_back(std::make_unique<CGraphFilter>(*this)); }

void CGraphDocument::SetColumns(std::vector<CGraphColumn> columns) {
  m_columns = std::move(columns);
  m_points.clear();
  Touch();
}

const CGraphColumn* CGraphDocument::GetColumn(int index) const {
  if (index < 0 || index >= static_cast<int>(m_columns.size())) return nullptr;
  return &m_columns[static_cast<std::size_t>(index)];
}

std::vector<double> CGraphDocument::Fit(const std::vector<double>& point) const {
  std::vector<double> fitted(m_columns.size(), kNaN);
  std::copy_n(point.begin(), std::min(point.size(), fitted.size()), fitted.begin());
  return fitted;
}

void CGraphDocument::AddPoint(const std::vector<double>& point) {
  m_points.push_back(Fit(point));
  Touch();
}

bool CGraphDocument::SetPoint(std::size_t index, const std::vector<double>& point) {
  if (index > m_points.size()) return false;
  if (index == m_points.size()) {
    AddPoint(point);
  } else {
    m_points[index] = Fit(point);
    Touch();
  }
  return true;
}

void CGraphDocument::ClearPoints() {
  m_points.clear();
  Touch();
}

double CGraphDocument::GetShownValue(std::size_t index, int column) const {
  const CGraphColumn* c = GetColumn(column);
  if (!c || index >= m_points.size()) return kNaN;
  return c->Shown(m_points[index][static_cast<std::size_t>(column)]);
}

CGraphFilter& CGraphDocument::GetFilter(int index) {
  return *m_filters[static_cast<std::size_t>(std::clamp(index, 0, GetFilterCount() - 1))];
}

const CGraphFilter& CGraphDocument::GetFilter(int index) const {
  return *m_filters[static_cast<std::size_t>(std::clamp(index, 0, GetFilterCount() - 1))];
}

CGraphFilter& CGraphDocument::AddFilter() {
  m_filters.push_back(std::make_unique<CGraphFilter>(*this));
  Touch();
  return *m_filters.back();
}
