#pragma once

#include <vector>

#include "kernel/graph_document.h"

// Axis scaling of the plots: round tick values, as a person reads a scale.
namespace kernel {

// Tick values inside `range`, a step of 1, 2 or 5 times a power of ten
// apart, at most `maxTicks` of them (at least 2). Nothing for a range that
// is empty, inverted or not finite.
std::vector<double> AxisTicks(CGraphRange range, int maxTicks = 8);

// The smallest range with ends on such ticks that holds [low, high]. Equal
// ends widen by one unit of their magnitude (or to ±1 around 0), so a flat
// curve still has a scale.
CGraphRange NiceRange(double low, double high, int maxTicks = 8);

}  // namespace kernel
