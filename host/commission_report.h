#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/failure.h"

// The report of a commissioning for a person to look at: one HTML page with
// each test's outcome, the values it measured (old -> new), the inputs the
// commissioning chose for it and its plots, beside the plots' SVG pictures
// and CSV data.
namespace host {

struct ReportedValue {
  std::string label;
  std::string oldText;
  std::string newText;
};

struct ReportedStep {
  std::string title;     // "Speed controller tuning"
  bool succeeded = false;
  std::string errorText;  // why it failed
  std::vector<std::string> choices;  // "TestCurrent = 1.4 A: half the rated current"
  std::vector<ReportedValue> values;
  // Plot files in the report's directory, by file name.
  std::vector<std::string> pictures;  // .svg
  std::vector<std::string> data;      // .csv
};

struct CommissionSummary {
  std::string setupName;
  bool succeeded = false;
  std::vector<ReportedStep> steps;
  // What the commissioning measured, "R = 0.9 -> 1.02 Ohm", for the top.
  std::vector<ReportedValue> measured;
};

// The page, every text escaped; plots are referred to by file name.
std::string CommissionReportHtml(const CommissionSummary& summary);

// Writes <directory>/index.html completely or not at all.
Outcome WriteCommissionReport(const std::filesystem::path& directory, const CommissionSummary& summary);

}  // namespace host
