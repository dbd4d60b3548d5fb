#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "host/commission_report.h"
#include "kernel/ui/test_events.h"

// What the test dialogs report while the host runs them: printed as it
// comes (the dialog opened, each stage text, each run's end, the values
// measured) and kept for the command's result and the report.
namespace host {

class TestProgress final : public kernel::TestListener {
 public:
  // `out` nullptr: keeps without printing (for a JSON document at the end).
  explicit TestProgress(std::ostream* out) : m_out(out) {}

  // Begins a step: what follows belongs to it. `caption` names the test
  // dialog whose closing result counts (the one the route leads to).
  void Begin(std::string title, std::string_view caption);
  ReportedStep& Step() { return m_step; }
  const ReportedStep& Step() const { return m_step; }
  // The last run's outcome: 1 succeeded, -1 stopped, 0 failed, kNoRun.
  static constexpr int kNoRun = 2;
  int Outcome() const { return m_outcome; }
  // How the test dialog of Begin closed (IDOK, IDCANCEL, -1), 0 while open
  // or never opened.
  INT_PTR Closed() const { return m_closed; }
  const std::vector<std::string>& Stages() const { return m_stages; }

  void OnTestOpened(const CVX_TestDlg& test) override;
  void OnStageText(const CVX_TestDlg& test, std::string_view text, int stage, int count) override;
  void OnTestEnded(const CVX_TestDlg& test, int outcome, std::string_view errorText) override;
  void OnMeasuredValue(const CVX_TestDlg& test, std::string_view label, std::string_view oldText,
                       std::string_view newText) override;
  void OnTestClosed(const CVX_TestDlg& test, INT_PTR result) override;

 private:
  std::ostream* m_out;
  ReportedStep m_step;
  std::string m_caption;
  std::vector<std::string> m_stages;
  int m_outcome = kNoRun;
  INT_PTR m_closed = 0;
  // The open dialog of Begin's caption: its window is gone by its closing.
  const CVX_TestDlg* m_counted = nullptr;
};

}  // namespace host
