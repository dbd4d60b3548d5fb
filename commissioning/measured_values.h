#pragma once

#include <string>
#include <vector>

// How a test offers the values it measured: each is shown in the test's
// format next to the stored one, and only a value whose text differs is put
// to the person.
namespace commissioning {

// The formats of the tests' questions: "%d" (the value cut to an integer),
// "%f", "%g" and "%G".
enum class ValueFormat { kInteger, kFixed, kGeneral, kGeneralUpper };

std::string FormatMeasured(double value, ValueFormat format);

struct MeasuredValue {
  std::string label;  // "Phase resistance"
  std::string oldText;
  std::string newText;

  bool Differs() const { return oldText != newText; }
};

// "A different value than specified has been detected for the following
// parameter(s):" with a line "<label>:\tOld = <old>\tNew = <new>" per value
// that differs, then "Do you want to save the new value(s)? (Recommended)";
// lines end in "\r\n".
std::string KeepValuesQuestion(const std::vector<MeasuredValue>& values);

}  // namespace commissioning
