#include "host/report.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <ostream>

namespace host {
namespace {

Json ParameterJson(const CVX_Parameter& p) {
  Json entry = Json::object();
  entry["value"] = Number(p.GetValueInBaseUnit());
  entry["internal"] = Number(p.GetValueInInternalUnit());
  entry["min"] = Number(p.GetMinimum());
  entry["max"] = Number(p.GetMaximum());
  entry["unit"] = p.GetUnitName();
  return entry;
}

Json ParametersJson(const std::vector<const CVX_Parameter*>& parameters) {
  Json json = Json::object();
  for (const CVX_Parameter* p : parameters) json[p->GetName()] = ParameterJson(*p);
  return json;
}

// Ten digits are plenty for a reader and hide the last-digit noise of unit
// conversions (9 V rather than 8.999999999999998 V); JSON keeps every digit.
std::string Text(double value) { return fmt::format("{:.10g}", value); }

// A limit that is not there reads better as "none" than as an infinity.
std::string Limit(double value) { return std::isinf(value) ? std::string("none") : Text(value); }

// Names line up in a column as wide as the longest, up to a width past
// which a longer name stands alone rather than pad every other line.
constexpr size_t kMaxNameColumn = 32;

size_t NameWidth(const std::vector<const CVX_Parameter*>& parameters) {
  size_t width = 0;
  for (const CVX_Parameter* p : parameters) width = std::max(width, std::min(p->GetName().size(), kMaxNameColumn));
  return width;
}

std::vector<const CVX_Parameter*> AllParameters(const CVX_Setup& setup) {
  const std::vector<CVX_Parameter*>& all = setup.GetParameters();
  return {all.begin(), all.end()};
}

}  // namespace

Json Number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

Json SetupDocument(const CVX_Setup& setup) {
  Json document = Json::object();
  document["parameters"] = ParametersJson(AllParameters(setup));

  Json variables = Json::object();
  for (const CVX_Variable* v : setup.GetVariables()) {
    // A variable known on several axes is listed once, as its first axis has it.
    if (variables.contains(v->GetName())) continue;
    variables[v->GetName()] = Json{{"unit", v->GetUnitName()}};
  }
  document["variables"] = std::move(variables);

  Json units = Json::object();
  for (const CVX_UnitFamily& family : setup.GetUnits()) {
    Json derived = Json::array();
    for (const CVX_Unit& unit : family.derived) derived.push_back(unit.name);
    units[family.base.name] = std::move(derived);
  }
  document["units"] = std::move(units);

  Json options = Json::object();
  for (const auto& [name, text] : setup.GetOptions()) options[name] = text;
  document["options"] = std::move(options);
  return document;
}

Json ParametersDocument(const std::vector<const CVX_Parameter*>& parameters) {
  Json document = Json::object();
  document["parameters"] = ParametersJson(parameters);
  return document;
}

void PrintParametersText(std::ostream& out, const std::vector<const CVX_Parameter*>& parameters) {
  const size_t width = NameWidth(parameters);
  for (const CVX_Parameter* p : parameters) {
    // The value in its family's base unit, then as the user sees it when the
    // display unit differs: "PWM_freq = 20000 Hz (20 kHz)".
    const std::string& family = p->GetUnitType();
    const std::string& display = p->GetUnitName();
    out << fmt::format("  {:<{}} = {}", p->GetName(), width, Text(p->GetValueInBaseUnit()));
    if (!family.empty()) out << ' ' << family;
    if (!display.empty() && display != family)
      out << fmt::format(" ({} {})", Text(p->GetValueInUnit(display)), display);
    out << fmt::format("  internal {}", Text(p->GetValueInInternalUnit()));
    if (p->HasMinimum() || p->HasMaximum())
      out << fmt::format("  [{}, {}]", Limit(p->GetMinimum()), Limit(p->GetMaximum()));
    out << '\n';
  }
}

void PrintSetupText(std::ostream& out, const CVX_Setup& setup) {
  out << fmt::format("Parameters ({}):\n", setup.GetParametersCount());
  PrintParametersText(out, AllParameters(setup));

  out << fmt::format("Variables ({}):\n", setup.GetVariables().size());
  for (const CVX_Variable* v : setup.GetVariables()) {
    const std::string& unit = v->GetUnitName();
    out << fmt::format("  {} (axis {}){}{}\n", v->GetName(), v->GetAxis(), unit.empty() ? "" : ": ", unit);
  }

  out << fmt::format("Units ({} families):\n", setup.GetUnits().size());
  for (const CVX_UnitFamily& family : setup.GetUnits()) {
    std::vector<std::string> names;
    for (const CVX_Unit& unit : family.derived) names.push_back(unit.name);
    // The supply-voltage family is "V " with a blank: quote names that end in one.
    const std::string& base = family.base.name;
    const std::string shown = (!base.empty() && base.back() == ' ') ? "\"" + base + "\"" : base;
    out << fmt::format("  {}: {}\n", shown, names.empty() ? "-" : fmt::format("{}", fmt::join(names, ", ")));
  }

  const auto options = setup.GetOptions();
  out << fmt::format("Options ({}):\n", options.size());
  for (const auto& [name, text] : options) out << fmt::format("  {} = \"{}\"\n", name, text);
}

}  // namespace host
