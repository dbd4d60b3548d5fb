#include <fmt/format.h>

#include <cmath>
#include <string>

#include "kernel/graph_render.h"

namespace kernel {
namespace {

std::string Field(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

std::string RenderGraphCsv(const CGraphDocument& document) {
  std::string csv;
  const auto& columns = document.GetColumns();
  for (std::size_t c = 0; c < columns.size(); ++c) csv += (c ? "," : "") + Field(columns[c].Title());
  csv += "\r\n";
  for (std::size_t i = 0; i < document.GetPointCount(); ++i) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const double value = document.GetShownValue(i, static_cast<int>(c));
      if (c) csv += ',';
      // Ten digits keep what the converter resolves without the noise of
      // the unit conversion's last bits.
      if (std::isfinite(value)) csv += fmt::format("{:.10g}", value);
    }
    csv += "\r\n";
  }
  return csv;
}

}  // namespace kernel
