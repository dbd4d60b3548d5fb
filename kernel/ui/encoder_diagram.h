#pragma once

#include "platform/wnd.h"

// An encoder dial on a dialog, in a template control of class
// "encoder-diagram": a pointer at the angle of the shaft as the encoder
// counts it. The caption reads the angle in whole degrees, what a user
// script and a front end read.
class CEncoderDiagram : public CWnd {
 public:
  // Becomes the object of control `id` of `parent`; FALSE when the dialog
  // has no such control or it is not an encoder dial.
  BOOL Create(CWnd* parent, int id);
  // The pointer at `angle_rad` (any real angle; shown within one turn).
  void SetAngle(double angle_rad);
  double GetAngle() const { return m_angle_rad; }

 private:
  double m_angle_rad = 0.0;
};
