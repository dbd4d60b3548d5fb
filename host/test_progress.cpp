#include "host/test_progress.h"

#include <fmt/format.h>

#include "host/failure.h"
#include "kernel/ui/test_dlg.h"

namespace host {

namespace {

// A dialog's value caption may end in the colon its own confirmation line
// follows it with ("Encoder offset: "); the report adds its own.
std::string ValueLabel(std::string_view label) {
  const auto end = label.find_last_not_of(" \t");
  label = end == std::string_view::npos ? std::string_view{} : label.substr(0, end + 1);
  if (label.ends_with(':')) label.remove_suffix(1);
  return std::string(label);
}

}  // namespace

void TestProgress::Begin(std::string title, std::string_view caption) {
  m_step = ReportedStep{};
  m_step.title = std::move(title);
  m_caption = caption;
  m_stages.clear();
  m_outcome = kNoRun;
  m_closed = 0;
  m_counted = nullptr;
}

void TestProgress::OnTestOpened(const CVX_TestDlg& test) {
  if (test.GetWindowText() == m_caption) m_counted = &test;
  if (m_out) *m_out << fmt::format("  {}\n", OneLine(test.GetWindowText()));
}

void TestProgress::OnStageText(const CVX_TestDlg&, std::string_view text, int stage, int count) {
  m_stages.emplace_back(text);
  if (m_out) *m_out << fmt::format("    [{}/{}] {}\n", stage, count, OneLine(std::string(text)));
}

void TestProgress::OnTestEnded(const CVX_TestDlg&, int outcome, std::string_view errorText) {
  m_outcome = outcome == 1 || outcome == -1 ? outcome : 0;
  m_step.succeeded = m_outcome == 1;
  m_step.errorText = m_outcome == 0 ? std::string(errorText) : std::string();
  if (!m_out) return;
  if (m_outcome == 1)
    *m_out << "    succeeded\n";
  else if (m_outcome == -1)
    *m_out << "    stopped\n";
  else
    *m_out << fmt::format("    failed: {}\n", OneLine(std::string(errorText)));
}

void TestProgress::OnMeasuredValue(const CVX_TestDlg&, std::string_view label, std::string_view oldText,
                                   std::string_view newText) {
  m_step.values.push_back({ValueLabel(label), std::string(oldText), std::string(newText)});
  if (m_out) *m_out << fmt::format("    {}: {} -> {}\n", OneLine(m_step.values.back().label), oldText, newText);
}

void TestProgress::OnTestClosed(const CVX_TestDlg& test, INT_PTR result) {
  if (&test == m_counted) {
    m_closed = result;
    m_counted = nullptr;
  }
}

}  // namespace host
