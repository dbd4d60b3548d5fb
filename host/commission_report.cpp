#include "host/commission_report.h"

#include <fmt/format.h>

#include "kernel/markup_text.h"
#include "kernel/setup_file.h"

namespace host {
namespace {

constexpr const char* kStyle = R"(body { font-family: sans-serif; margin: 2em; color: #222; }
h1 { font-size: 1.4em; }
section { border-top: 1px solid #ccc; padding: 0.5em 0 1em; }
.ok { color: #1a7f37; } .failed { color: #cf222e; }
table { border-collapse: collapse; margin: 0.5em 0; }
td, th { padding: 0.2em 0.8em; text-align: left; border-bottom: 1px solid #eee; }
pre { background: #f6f8fa; padding: 0.5em; white-space: pre-wrap; }
img { max-width: 48em; display: block; margin: 0.5em 0; }
)";

std::string ValuesTable(const std::vector<ReportedValue>& values) {
  if (values.empty()) return {};
  std::string html = "<table><tr><th>value</th><th>before</th><th>measured</th></tr>\n";
  for (const ReportedValue& v : values)
    html += fmt::format("<tr><td>{}</td><td>{}</td><td>{}</td></tr>\n", kernel::EscapeMarkup(v.label), kernel::EscapeMarkup(v.oldText),
                        kernel::EscapeMarkup(v.newText));
  return html + "</table>\n";
}

std::string StepSection(const ReportedStep& step) {
  std::string html = fmt::format("<section>\n<h2>{} <span class=\"{}\">{}</span></h2>\n", kernel::EscapeMarkup(step.title),
                                 step.succeeded ? "ok" : "failed", step.succeeded ? "succeeded" : "failed");
  if (!step.succeeded && !step.errorText.empty()) html += fmt::format("<pre>{}</pre>\n", kernel::EscapeMarkup(step.errorText));
  if (!step.choices.empty()) {
    html += "<p>Chosen for this test:</p>\n<ul>\n";
    for (const std::string& choice : step.choices) html += fmt::format("<li>{}</li>\n", kernel::EscapeMarkup(choice));
    html += "</ul>\n";
  }
  html += ValuesTable(step.values);
  for (const std::string& picture : step.pictures)
    html += fmt::format("<img src=\"{0}\" alt=\"{0}\"/>\n", kernel::EscapeMarkup(picture));
  if (!step.data.empty()) {
    html += "<p>Data:";
    for (const std::string& file : step.data) html += fmt::format(" <a href=\"{0}\">{0}</a>", kernel::EscapeMarkup(file));
    html += "</p>\n";
  }
  return html + "</section>\n";
}

}  // namespace

std::string CommissionReportHtml(const CommissionSummary& summary) {
  std::string html = fmt::format(
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>Commissioning of {0}</title>\n"
      "<style>\n{1}</style>\n</head>\n<body>\n<h1>Commissioning of {0}: <span class=\"{2}\">{3}</span></h1>\n",
      kernel::EscapeMarkup(summary.setupName), kStyle, summary.succeeded ? "ok" : "failed",
      summary.succeeded ? "succeeded" : "failed, nothing was saved");
  html += ValuesTable(summary.measured);
  for (const ReportedStep& step : summary.steps) html += StepSection(step);
  return html + "</body>\n</html>\n";
}

Outcome WriteCommissionReport(const std::filesystem::path& directory, const CommissionSummary& summary) {
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec) return Failure{fmt::format("--report {}: {}", directory.string(), ec.message())};
  const std::string error = kernel::WriteFileAtomically((directory / "index.html").string(), CommissionReportHtml(summary));
  if (!error.empty()) return Failure{fmt::format("--report: {}", error)};
  return std::nullopt;
}

}  // namespace host
