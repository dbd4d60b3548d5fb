#pragma once

// A live trace of readings the dialog polls itself, for a drive that streams
// no scope: time on the x axis, one curve per reading on the left axis,
// whose range stays fixed through a run so the trace does not rescale as it
// grows.

#include <vector>

#include "kernel/graph_document.h"
#include "kernel/ui/graph_window.h"

class CVX_Oscilloscope {
 public:
  // `readings`: the traced values' names and units; their curves take the
  // palette's colours from 1 on.
  BOOL Create(CWnd* parent, int id, const std::vector<CGraphColumn>& readings);
  // An empty trace whose left axis shows `range`.
  void Restart(CGraphRange range);
  // One reading of each value at `time_s`, drawn at once.
  void AddReadings(double time_s, const std::vector<double>& values);

  CGraphDocument& GetGraphDocument() { return m_document; }
  const CGraphDocument& GetGraphDocument() const { return m_document; }
  CGraphWindow& GetWindow() { return m_window; }

 private:
  CGraphDocument m_document;
  CGraphWindow m_window;
};
