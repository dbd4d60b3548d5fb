#pragma once

#include <string>

#include "platform/wnd.h"

// A horizontal bar on a dialog, in a template control of class "bar-graph":
// a value between two limits, drawn from a reference (where the bar
// starts) towards the value, in one colour. The caption reads the value in
// the graph's label format, what a user script and a front end read.
class CBarGraph : public CWnd {
 public:
  // Becomes the object of control `id` of `parent`; FALSE when the dialog
  // has no such control or it is not a bar graph.
  BOOL Create(CWnd* parent, int id);

  // FALSE, leaving the limits as they were, unless low < high, both finite.
  BOOL SetLimits(double low, double high);
  // Values outside the limits are kept and drawn at the nearer limit;
  // a value that is not finite is ignored.
  void SetValue(double value);
  void SetDrawingReference(double reference);
  void SetBarColor(COLORREF color) { m_color = color; }
  // A printf format with one floating-point conversion ("%.2f", "%.2G").
  void SetLabelFormat(std::string format);

  double GetLow() const { return m_low; }
  double GetHigh() const { return m_high; }
  double GetValue() const { return m_value; }
  double GetDrawingReference() const { return m_reference; }
  COLORREF GetBarColor() const { return m_color; }
  // The value as the caption shows it.
  std::string GetLabel() const;

 private:
  void ShowLabel();

  double m_low = 0.0;
  double m_high = 1.0;
  double m_value = 0.0;
  double m_reference = 0.0;
  COLORREF m_color = RGB(0, 0, 255);
  std::string m_format = "%g";
};
