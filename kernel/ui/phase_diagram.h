#pragma once

#include <vector>

#include "platform/wnd.h"

// A phase diagram on a dialog, in a template control of class
// "phase-diagram": the axes of the motor's phases (two at right angles, or
// three 120 degrees apart) and the vector the phases' values make together,
// as a current or voltage space vector. The caption reads the vector's
// length and angle, what a user script and a front end read.
class CPhaseDiagram : public CWnd {
 public:
  // Becomes the object of control `id` of `parent`; FALSE when the dialog
  // has no such control or it is not a phase diagram.
  BOOL Create(CWnd* parent, int id);

  // 2 or 3 phases; FALSE, keeping the phases, for any other count. The
  // values start over at 0.
  BOOL SetPhaseCount(int phases);
  // One value per phase, A first; FALSE, keeping the last ones, when the
  // count differs from the phases' or a value is not finite.
  BOOL SetPhaseValues(const std::vector<double>& values);
  // The length drawn at the edge of the diagram; FALSE unless finite and
  // above 0.
  BOOL SetFullScale(double full);

  int GetPhaseCount() const { return m_phases; }
  const std::vector<double>& GetPhaseValues() const { return m_values; }
  double GetFullScale() const { return m_full; }
  // The vector in the frame of phase A: its length and its angle from
  // phase A's axis towards phase B's, in (-pi, pi].
  double GetMagnitude() const;
  double GetAngle() const;

 private:
  void ShowCaption();
  double Alpha() const;
  double Beta() const;

  int m_phases = 2;
  std::vector<double> m_values = std::vector<double>(2, 0.0);
  double m_full = 1.0;
};
