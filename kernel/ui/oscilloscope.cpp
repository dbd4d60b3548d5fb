#include "kernel/ui/oscilloscope.h"

namespace {

constexpr int kCurveWidth = 1;

}  // namespace

BOOL CVX_Oscilloscope::Create(CWnd* parent, int id, const std::vector<CGraphColumn>& readings) {
  std::vector<CGraphColumn> columns{{"Time", "s"}};
  columns.insert(columns.end(), readings.begin(), readings.end());
  m_document.SetColumns(std::move(columns));
  CGraphFilter& filter = m_document.GetFilter();
  filter.RemoveAllCurves();
  for (std::size_t k = 0; k < readings.size(); ++k) {
    const int column = static_cast<int>(k) + 1;
    filter.AddCurve(CXYCurve(0, column, 1, column, kCurveWidth));
  }
  return m_window.Create(parent, id, filter);
}

void CVX_Oscilloscope::Restart(CGraphRange range) {
  m_document.ClearPoints();
  m_document.GetFilter().SetRange(1, range, true);
}

void CVX_Oscilloscope::AddReadings(double time_s, const std::vector<double>& values) {
  std::vector<double> point{time_s};
  point.insert(point.end(), values.begin(), values.end());
  m_document.AddPoint(point);
  m_window.UpdateLastPoint();
}
