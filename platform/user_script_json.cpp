#include <cctype>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "platform/strict_json.h"
#include "platform/user_script.h"

namespace platform {

namespace {

using detail::Fields;
using detail::Json;

constexpr std::string_view kStepNames =
    "expect-dialog, type, select, click, check, tab, chord, wait, answer, expect, list";
constexpr int kMaxControlId = 0xFFFF;

std::optional<StepKind> KindFromName(std::string_view name) {
  // "call" runs C++ code and has no JSON form.
  for (int k = 0; k < static_cast<int>(StepKind::kCall); ++k) {
    if (StepKindName(static_cast<StepKind>(k)) == name) return static_cast<StepKind>(k);
  }
  return std::nullopt;
}

void ReadId(Fields& fields, ScriptStep& step, std::vector<std::string>& errors) {
  if (fields.Int("id", step.id, true) && (step.id < 1 || step.id > kMaxControlId)) {
    errors.push_back(fmt::format("{}: \"id\" must name a control (1 to {})", fields.Where(), kMaxControlId));
  }
}

bool ParseColor(const Json& value, COLORREF& color) {
  if (value.is_number_unsigned() && value.get<unsigned long long>() <= 0xFFFFFF) {
    color = static_cast<COLORREF>(value.get<unsigned long long>());
    return true;
  }
  if (!value.is_string()) return false;
  const std::string text = value.get<std::string>();
  if (text.size() != 7 || text[0] != '#') return false;
  for (std::size_t i = 1; i < 7; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  const auto channel = [&](std::size_t at) { return static_cast<BYTE>(std::stoi(text.substr(at, 2), nullptr, 16)); };
  color = RGB(channel(1), channel(3), channel(5));
  return true;
}

void ReadExpectation(Fields& fields, ScriptStep& step, std::vector<std::string>& errors) {
  ReadId(fields, step, errors);
  Expectation& e = step.expect;
  std::string text;
  bool flag = false;
  if (fields.String("text", text, false)) e.text = text;
  if (fields.Bool("visible", flag, false)) e.visible = flag;
  if (fields.Bool("enabled", flag, false)) e.enabled = flag;
  if (fields.Bool("checked", flag, false)) e.checked = flag;
  if (const Json* color = fields.Member("color")) {
    COLORREF value = 0;
    if (ParseColor(*color, value)) {
      e.color = value;
    } else {
      errors.push_back(fmt::format("{}: \"color\" must be \"#RRGGBB\" or a colour value from 0 to 16777215",
                                   fields.Where()));
    }
  }
  if (!fields.Has("text") && !fields.Has("visible") && !fields.Has("enabled") && !fields.Has("checked") &&
      !fields.Has("color")) {
    errors.push_back(fmt::format("{}: give at least one of \"text\", \"visible\", \"enabled\", \"checked\", \"color\"",
                                 fields.Where()));
  }
}

void ReadAnswer(Fields& fields, ScriptStep& step, std::vector<std::string>& errors) {
  fields.String("text", step.text, true);
  std::string button;
  if (!fields.String("button", button, true)) return;
  if (button == "ok") step.button = IDOK;
  if (button == "yes") step.button = IDYES;
  if (button == "no") step.button = IDNO;
  if (button == "cancel") step.button = IDCANCEL;
  if (step.button == 0) {
    errors.push_back(
        fmt::format("{}: \"button\" must be one of ok, yes, no, cancel, not \"{}\"", fields.Where(), button));
  }
}

void ReadStepFields(Fields& fields, ScriptStep& step, std::vector<std::string>& errors) {
  std::string text;
  switch (step.kind) {
    case StepKind::kExpectDialog:
      fields.String("caption", step.text, true);
      break;
    case StepKind::kType:
      ReadId(fields, step, errors);
      fields.String("text", step.text, true);
      break;
    case StepKind::kSelect: {
      ReadId(fields, step, errors);
      long long data = 0;
      fields.String("text", step.text, false);
      if (fields.Int64("data", data, false)) step.data = static_cast<DWORD_PTR>(data);
      if (fields.Has("text") == fields.Has("data")) {
        errors.push_back(fmt::format("{}: give either \"text\" or \"data\"", fields.Where()));
      }
      break;
    }
    case StepKind::kClick:
      ReadId(fields, step, errors);
      break;
    case StepKind::kCheck:
      ReadId(fields, step, errors);
      fields.Bool("value", step.value, true);
      break;
    case StepKind::kTab:
      ReadId(fields, step, errors);
      if (fields.Int("index", step.index, true) && step.index < 0) {
        errors.push_back(fmt::format("{}: \"index\" must not be negative", fields.Where()));
      }
      break;
    case StepKind::kChord:
      if (fields.String("key", text, true)) {
        if (text.size() == 1 && std::isalpha(static_cast<unsigned char>(text[0]))) {
          step.key = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        } else {
          errors.push_back(fmt::format("{}: \"key\" must be one letter from A to Z, not \"{}\"", fields.Where(), text));
        }
      }
      break;
    case StepKind::kWait:
      if (fields.Int("ms", step.ms, true) && step.ms < 0) {
        errors.push_back(fmt::format("{}: \"ms\" must not be negative", fields.Where()));
      }
      break;
    case StepKind::kAnswer:
      ReadAnswer(fields, step, errors);
      break;
    case StepKind::kExpect:
      ReadExpectation(fields, step, errors);
      break;
    case StepKind::kList:
    case StepKind::kCall:
      break;
  }
}

void ReadStep(const Json& object, std::size_t index, UserScript& script, std::vector<std::string>& errors) {
  const std::string where = fmt::format("step {}", index + 1);
  if (!object.is_object()) {
    errors.push_back(where + ": a step is a JSON object");
    return;
  }
  const auto found = object.find("do");
  if (found == object.end() || !found->is_string()) {
    errors.push_back(where + ": \"do\" must name the step (" + std::string(kStepNames) + ")");
    return;
  }
  const std::string name = found->get<std::string>();
  const std::optional<StepKind> kind = KindFromName(name);
  if (!kind) {
    errors.push_back(fmt::format("{}: unknown step \"{}\" (steps: {})", where, name, kStepNames));
    return;
  }
  ScriptStep step;
  step.kind = *kind;
  Fields fields(object, fmt::format("{} ({})", where, name), errors);
  fields.Member("do");
  ReadStepFields(fields, step, errors);
  fields.Finish();
  script.Add(std::move(step));
}

}  // namespace

ScriptParse ParseUserScript(std::string_view json) {
  ScriptParse parse;
  detail::StrictParse parsed = detail::ParseStrict(json);
  if (!parsed.error.empty()) {
    parse.error = parsed.errorElement >= 0 ? fmt::format("step {}: {}", parsed.errorElement + 1, parsed.error)
                                           : parsed.error;
    return parse;
  }
  if (!parsed.value.is_array()) {
    parse.error = "a user script is a JSON list of steps";
    return parse;
  }
  UserScript script;
  std::vector<std::string> errors;
  for (std::size_t i = 0; i < parsed.value.size(); ++i) ReadStep(parsed.value[i], i, script, errors);
  if (!errors.empty()) {
    for (const std::string& e : errors) parse.error += (parse.error.empty() ? "" : "\n") + e;
    return parse;
  }
  parse.script = std::move(script);
  return parse;
}

ScriptParse LoadUserScript(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return ScriptParse{std::nullopt, fmt::format("{}: cannot be read", file.string())};
  std::ostringstream text;
  text << in.rdbuf();
  ScriptParse parse = ParseUserScript(text.str());
  if (!parse.error.empty()) parse.error = fmt::format("{}: {}", file.string(), parse.error);
  return parse;
}

}  // namespace platform
