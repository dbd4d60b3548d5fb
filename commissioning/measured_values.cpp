#include "commissioning/measured_values.h"

#include <fmt/format.h>

#include <cmath>

namespace commissioning {

std::string FormatMeasured(double value, ValueFormat format) {
  switch (format) {
    case ValueFormat::kInteger:
      // What "%d" shows of a count held as a double: its integer part.
      return std::isfinite(value) ? fmt::format("{}", static_cast<long long>(value)) : fmt::format("{}", value);
    case ValueFormat::kFixed:
      return fmt::format("{:f}", value);
    case ValueFormat::kGeneral:
      return fmt::format("{:g}", value);
    case ValueFormat::kGeneralUpper:
      return fmt::format("{:G}", value);
  }
  return {};
}

std::string KeepValuesQuestion(const std::vector<MeasuredValue>& values) {
  std::string text = "A different value than specified has been detected for the following parameter(s):\r\n\r\n";
  for (const MeasuredValue& value : values) {
    if (value.Differs()) text += fmt::format("{}:\tOld = {}\tNew = {}\r\n", value.label, value.oldText, value.newText);
  }
  return text + "\r\nDo you want to save the new value(s)? (Recommended)";
}

}  // namespace commissioning
