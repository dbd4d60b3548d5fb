#pragma once

#include <string>

#include "kernel/graph_document.h"

// The two forms in which a plot is saved: a picture and its data. Both are
// pure functions of the graph model.
namespace kernel {

struct SvgSize {
  int width_px = 800;
  int height_px = 480;
};

// An SVG picture of what `filter` shows: the x axis and the y axes in use,
// with round ticks, tick labels and the column titles (name and unit); one
// polyline per curve in its palette colour and line width, clipped to the
// plot area; a legend with each curve's title. Points where a coordinate is
// not a finite number are left out of their polyline.
std::string RenderGraphSvg(const CGraphFilter& filter, SvgSize size = {});

// The document's data as CSV: a header line with each column's title
// ("Time [s]", "Motor_Current [A]"), then one line per point with the shown
// values; a value that is not finite is an empty field. Lines end in "\r\n"
// and fields are quoted where CSV needs it.
std::string RenderGraphCsv(const CGraphDocument& document);

}  // namespace kernel
