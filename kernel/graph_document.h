#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The data of a plot apart from any drawing: what a logger recorded (the
// document), and views of it (filters) that say which curves to draw against
// which axes and which part of the data is shown. The graph window, the
// saved SVG and CSV files and a browser front end all draw from this model,
// so they show the same curves.

namespace kernel {

// The standard plot colours, by palette index; an index outside the palette
// wraps around it.
inline constexpr int kPaletteSize = 16;
// "#RRGGBB".
std::string PaletteColour(int index);

}  // namespace kernel

// One column of the document: the time or a logged variable. Points hold the
// values as logged (the drive's internal units); a plot shows
// (value + offset) * factor in `unit`.
struct CGraphColumn {
  std::string name;
  std::string unit;  // empty: internal units
  double factor = 1.0;
  double offset = 0.0;

  double Shown(double value) const { return (value + offset) * factor; }
  // "Motor_Current [A]", or the name alone without a unit.
  std::string Title() const;
};

// A curve: one column against another, on the left (1) or right (2) axis.
class CXYCurve {
 public:
  // Variables are column indices ("logged variable 0" is the time). An axis
  // other than 2 is axis 1; a line width below 1 is 1.
  CXYCurve(int xVariable, int yVariable, int axis = 1, int colour = 0, int lineWidth = 1);

  int GetXVariable() const { return m_x; }
  int GetYVariable() const { return m_y; }
  int GetAxis() const { return m_axis; }
  int GetColour() const { return m_colour; }
  int GetLineWidth() const { return m_width; }

 private:
  int m_x;
  int m_y;
  int m_axis;
  int m_colour;
  int m_width;
};

struct CGraphRange {
  double min = 0.0;
  double max = 1.0;
};

class CGraphDocument;

// A view of the document: its curves and the range shown on each axis (0:
// the x axis, 1: the left y axis, 2: the right one).
class CGraphFilter {
 public:
  explicit CGraphFilter(CGraphDocument& document) : m_document(&document) {}

  const CGraphDocument& GetDocument() const { return *m_document; }

  // A curve naming a column the document does not have draws nothing.
  void AddCurve(const CXYCurve& curve);
  void RemoveAllCurves();
  const std::vector<CXYCurve>& GetCurves() const { return m_curves; }
  // Whether any curve sits on `axis` (1 or 2).
  bool UsesAxis(int axis) const;

  CGraphRange GetRange(int axis) const;
  // Shows `range` on `axis`; a range that is empty, inverted or not finite
  // is refused (false). A fixed range stays through ZoomOut.
  bool SetRange(int axis, CGraphRange range, bool fixed = false);
  bool IsFixed(int axis) const;
  // Fits every axis that is not fixed to the data of the curves on it, on
  // round tick values. Axes without data keep their range.
  void ZoomOut();

  // Writes the document's data as text (CSV) to the plot directory under
  // `name` (kernel/plot_files.h). Non-zero on success; a failure goes
  // through the kernel error channel.
  int ExportToASCII(std::string_view name) const;

 private:
  struct Axis {
    CGraphRange range;
    bool fixed = false;
  };

  CGraphDocument* m_document;
  std::vector<CXYCurve> m_curves;
  Axis m_axes[3];
};

// The recorded data: columns and points, and the filters that show them.
// Every change raises the revision, so a live view redraws when it moves.
class CGraphDocument {
 public:
  CGraphDocument();
  CGraphDocument(const CGraphDocument&) = delete;
  CGraphDocument& operator=(const CGraphDocument&) = delete;

  // Replaces the columns and drops the points; the filters stay.
  void SetColumns(std::vector<CGraphColumn> columns);
  const std::vector<CGraphColumn>& GetColumns() const { return m_columns; }
  // Nullptr for an index out of range.
  const CGraphColumn* GetColumn(int index) const;

  // A point holds one value per column; missing values read as NaN and
  // extra ones are dropped.
  void AddPoint(const std::vector<double>& point);
  // Overwrites point `index` (a scope that wraps), or appends when `index`
  // is the point count; false for an index beyond that.
  bool SetPoint(std::size_t index, const std::vector<double>& point);
  void ClearPoints();
  std::size_t GetPointCount() const { return m_points.size(); }
  const std::vector<double>& GetPoint(std::size_t index) const { return m_points[index]; }
  // The shown value of column `column` at point `index`; NaN when out of range.
  double GetShownValue(std::size_t index, int column) const;

  // The first filter exists always.
  CGraphFilter& GetFilter(int index = 0);
  const CGraphFilter& GetFilter(int index = 0) const;
  int GetFilterCount() const { return static_cast<int>(m_filters.size()); }
  CGraphFilter& AddFilter();

  std::uint64_t GetRevision() const { return m_revision; }

 private:
  friend class CGraphFilter;
  void Touch() { ++m_revision; }
  std::vector<double> Fit(const std::vector<double>& point) const;

  std::vector<CGraphColumn> m_columns;
  std::vector<std::vector<double>> m_points;
  std::vector<std::unique_ptr<CGraphFilter>> m_filters;
  std::uint64_t m_revision = 0;
};
