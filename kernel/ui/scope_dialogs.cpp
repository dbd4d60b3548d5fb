#include "kernel/ui/scope_dialogs.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

#include "input/bounded_file.h"
#include "kernel/graph_render.h"
#include "kernel/logger_scope.h"
#include "kernel/plot_files.h"
#include "kernel/setup_file.h"
#include "kernel/ui/edit_setup_dlg.h"
#include "kernel/ui/scope_recording_controls.h"
#include "kernel/ui/scope_settings_controls.h"
#include "platform/dialog.h"

namespace {

constexpr int kFewestPoints = 10;
// A window wider than a screen has pixels shows nothing more.
constexpr int kMostPoints = 16384;
constexpr int kMostPerPoint = 200;

class CScopeSettingsDlg : public CDialog {
 public:
  CScopeSettingsDlg(CVX_ScopeLogger& scope, CWnd* parent) : CDialog(scope_settings::kTemplateId, parent), m_scope(scope) {}

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetDlgItemText(scope_settings::kPointsEdit, std::to_string(m_scope.GetPointsNo()));
    SetDlgItemText(scope_settings::kDividerEdit, std::to_string(m_scope.GetDivider()));
    return TRUE;
  }

  void OnOK() override {
    const auto points = kernel::ParseParameterValue(GetDlgItemText(scope_settings::kPointsEdit));
    const auto divider = kernel::ParseParameterValue(GetDlgItemText(scope_settings::kDividerEdit));
    const int most = kMostPoints;
    if (!points || *points != std::round(*points) || *points < kFewestPoints || *points > most) {
      AfxMessageBox(fmt::format("The points in the window must be a whole number from {} to {}.", kFewestPoints, most),
                    MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if (!divider || *divider != std::round(*divider) || *divider < 1 || *divider > kMostPerPoint) {
      AfxMessageBox(fmt::format("The samples per point must be a whole number from 1 to {}.", kMostPerPoint),
                    MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    m_scope.ChangeSettings(static_cast<int>(*points), m_scope.GetLogType(), static_cast<int>(*divider));
    EndDialog(IDOK);
  }

 private:
  CVX_ScopeLogger& m_scope;
};

class CRecordingNameDlg : public CDialog {
 public:
  CRecordingNameDlg(std::string& name, CWnd* parent) : CDialog(scope_recording::kTemplateId, parent), m_name(name) {}

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetDlgItemText(scope_recording::kNameEdit, m_name);
    return TRUE;
  }

  void OnOK() override {
    const std::string typed = GetDlgItemText(scope_recording::kNameEdit);
    const bool sound = !typed.empty() && typed.size() <= 100 && std::all_of(typed.begin(), typed.end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    });
    if (!sound) {
      AfxMessageBox("A recording's name is 1 to 100 letters, digits, '_' or '-'.", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    m_name = typed;
    EndDialog(IDOK);
  }

 private:
  std::string& m_name;
};

// One line of the recording's CSV: its fields, unquoted.
std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

}  // namespace

bool EditScopeSettings(CVX_ScopeLogger& scope, CWnd* parent) {
  CScopeSettingsDlg dialog(scope, parent);
  return dialog.DoModal() == IDOK;
}

bool DoPromptScopeLoggerFileName(CWnd* parent, std::string& name) {
  CRecordingNameDlg dialog(name, parent);
  return dialog.DoModal() == IDOK;
}

int SaveScopeRecording(CVX_ScopeLogger& scope, const std::string& name) { return scope.SaveGraph(name); }

std::string LoadScopeRecording(CVX_ScopeLogger& scope, const std::string& name) {
  const std::string path = (kernel::PlotDirectory() / (name + ".csv")).string();
  const input::FileText file = input::ReadBoundedFile(path);
  if (!file.ok()) return fmt::format("{}: {}", path, file.error);
  const std::string& text = file.text;
  std::vector<std::vector<double>> points;
  std::vector<CGraphColumn> columns;
  std::size_t start = 0;
  for (int line = 1; start < text.size(); ++line) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view row(text.data() + start, end - start);
    if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
    start = end + 1;
    const std::vector<std::string> fields = Fields(row);
    if (line == 1) {
      for (const std::string& title : fields) columns.push_back({title, "", 1.0, 0.0});
      continue;
    }
    if (row.empty()) continue;
    if (fields.size() != columns.size()) return fmt::format("{}: line {} has {} fields, the header {}", path, line,
                                                            fields.size(), columns.size());
    std::vector<double> point;
    for (const std::string& field : fields) {
      const auto value = field.empty() ? std::optional<double>(NAN) : kernel::ParseParameterValue(field);
      if (!value) return fmt::format("{}: line {}: \"{}\" is not a number", path, line, field);
      point.push_back(*value);
    }
    points.push_back(std::move(point));
  }
  if (columns.empty()) return fmt::format("{}: the recording is empty", path);
  CGraphDocument& document = scope.GetGraphDocument();
  document.SetColumns(std::move(columns));
  for (const auto& point : points) document.AddPoint(point);
  return {};
}
