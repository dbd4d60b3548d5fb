#include <charconv>
#include <cmath>

#include "kernel/kernel_functions.h"
#include "kernel/ui/edit_setup_dlg.h"

namespace kernel {

std::string FormatParameterValue(double value, int decimals) {
  if (!std::isfinite(value)) return "";
  double rounded = RoundDecimalValue(value, decimals);
  if (rounded == 0.0) rounded = 0.0;  // drops the sign of -0
  // The largest double needs 309 digits in fixed notation; past the room
  // for the decimals, to_chars fails and the text stays empty, not wrong.
  char buffer[400];
  const int precision = decimals > 0 ? decimals : 0;
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, precision);
  if (result.ec != std::errc()) return "";
  return std::string(buffer, result.ptr);
}

std::optional<double> ParseParameterValue(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  // from_chars refuses a leading '+', which people type.
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::string NotANumberMessage(std::string_view typed, std::string_view name) {
  return "\"" + std::string(typed) + "\" is not a number. Type the number alone, in the unit the dialog shows for it; " +
         std::string(name) + " keeps its value.";
}

}  // namespace kernel

void CVX_EditSetupDlg::ShowChild(int id, bool show) {
  if (CWnd* child = GetDlgItem(id)) child->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CVX_EditSetupDlg::EnableChild(int id, bool enable) {
  if (CWnd* child = GetDlgItem(id)) child->EnableWindow(enable ? TRUE : FALSE);
}

void CVX_EditSetupDlg::SetChildText(int id, std::string_view text) {
  if (CWnd* child = GetDlgItem(id)) child->SetWindowText(text);
}

void CVX_EditSetupDlg::ShowChildren(const std::vector<int>& ids, bool show) {
  for (int id : ids) ShowChild(id, show);
}

void CVX_EditSetupDlg::EnableChildren(const std::vector<int>& ids, bool enable) {
  for (int id : ids) EnableChild(id, enable);
}
