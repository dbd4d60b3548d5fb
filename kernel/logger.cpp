#include "kernel/logger.h"

#include <fmt/format.h>

#include "kernel/coff_format.h"
#include "kernel/errors.h"
#include "kernel/graph_render.h"
#include "kernel/name_key.h"
#include "kernel/plot_files.h"
#include "kernel/probe.h"
#include "kernel/setup.h"

CVX_Logger::CVX_Logger(CVX_Setup& setup, const CVX_CoffFormat* coff) : m_setup(setup), m_coff(coff) {
  UpdateGraphColumns();
}

void CVX_Logger::UpdateGraphColumns() {
  std::vector<CGraphColumn> columns{{"Time", "s"}};
  // A drive variable without a unit, a program variable, or a unit the
  // setup cannot convert now shows the drive's own numbers.
  const kernel::QuietErrors quiet;
  for (const kernel::LoggedVariable& v : m_variables) {
    CGraphColumn column{v.name, ""};
    const CVX_Variable* variable = m_setup.FindVariable(v.name, v.axis);
    if (variable && !variable->GetUnitType().empty()) {
      if (const auto scale = m_setup.ScaleOf(variable->GetUnitType(), variable->GetName())) {
        column = {v.name, variable->GetUnitType(), scale->factor, scale->offset};
      }
    }
    columns.push_back(std::move(column));
  }
  m_graph.SetColumns(std::move(columns));
}

int CVX_Logger::SaveGraph(std::string_view name) {
  const bool picture = kernel::WritePlotFile(name, ".svg", kernel::RenderGraphSvg(m_graph.GetFilter())).has_value();
  const bool data = picture && kernel::WritePlotFile(name, ".csv", kernel::RenderGraphCsv(m_graph)).has_value();
  return picture && data ? 1 : 0;
}

int CVX_Logger::AddVariable(std::string_view name, int axis) {
  if (name.empty() || axis < 0) {
    kernel::ReportError(fmt::format("The logger cannot log \"{}\" on axis {}.", name, axis));
    return 0;
  }
  // The test names the program's own axis 0; on this drive that is axis 1.
  const int driveAxis = axis == 0 ? 1 : axis;
  for (const kernel::LoggedVariable& v : m_variables)
    if (v.axis == driveAxis && kernel::SameName(v.name, name)) return 1;

  const bool ofProgram = m_coff && m_coff->IsLoaded() && m_coff->GetImage().FindVariable(name);
  if (!ofProgram && !kernel::HasVariable(m_setup, name, driveAxis)) {
    kernel::ReportError(fmt::format("The logger cannot log \"{}\": the setup has no such drive variable on axis {}.",
                                    name, driveAxis));
    return 0;
  }
  if (static_cast<int>(m_variables.size()) >= kMaxVariables) {
    kernel::ReportError(fmt::format("The logger cannot log \"{}\": it logs at most {} variables.", name,
                                    kMaxVariables));
    return 0;
  }
  m_variables.push_back({std::string(name), driveAxis});
  UpdateGraphColumns();
  Reset();
  return 1;
}

void CVX_Logger::RemoveAllVariables() {
  m_variables.clear();
  UpdateGraphColumns();
  Reset();
}

int CVX_Logger::ChangeSettings(int points, int logType, int divider) {
  const bool knownType = logType == kernel::LoggingRequest::kSlowLoop || logType == kernel::LoggingRequest::kFastLoop;
  if (points < 1 || !knownType || divider < 1) {
    kernel::ReportError(fmt::format("The logger settings {} points, log type {}, divider {} are not possible.", points,
                                    logType, divider));
    return 0;
  }
  m_points = points;
  m_logType = logType;
  m_divider = divider;
  Reset();
  return 1;
}

kernel::LoggingRequest CVX_Logger::BaseRequest(kernel::LoggingRequest::Kind kind) const {
  kernel::LoggingRequest request;
  request.kind = kind;
  request.variables = m_variables;
  request.points = m_points;
  request.logType = m_logType;
  request.divider = m_divider;
  return request;
}
