#pragma once

#include <cstddef>
#include <string_view>

#include "kernel/graph_document.h"
#include "platform/wnd.h"

// A plot on a dialog: shows one filter of a graph document (usually a
// logger's, CVX_Logger::GetGraphDocument) in a template control of class
// "graph". The document holds the data; the window keeps how far it has
// drawn, so that a front end that draws live shows points as they come.
// Its caption reads "N points", what a user script can wait for.
class CGraphWindow : public CWnd {
 public:
  // Becomes the object of control `id` of `parent` and shows `filter`,
  // which must outlive the window. FALSE when the dialog has no such
  // control or it is not a graph.
  BOOL Create(CWnd* parent, int id, CGraphFilter& filter);
  CGraphFilter* GetFilter() const { return m_filter; }

  // The points of the document drawn so far.
  std::size_t GetShownPoints() const { return m_shown; }
  // Draws the points added since the last update (an upload in progress).
  void UpdateLastPoint();
  // Redraws point `index` (a scope overwriting its window).
  void UpdatePoint(std::size_t index);
  // Fits the axes to the data and draws everything again.
  void ZoomOut();
  void Redraw();

  // Writes the shown graph as a picture, <name>.svg in the plot directory
  // (kernel/plot_files.h). Non-zero on success.
  int CreateWMF(std::string_view name) const;

 private:
  void ShowCount();

  CGraphFilter* m_filter = nullptr;
  std::size_t m_shown = 0;
};
