#include <cctype>
#include <charconv>

#include <fmt/format.h>

#include "input/bounded_file.h"
#include "input/json_read.h"
#include "platform/user_script.h"

namespace platform {

namespace {

using input::ErrorList;
using input::Json;
using input::Members;

constexpr std::string_view kStepNames =
    "expect-dialog, type, select, click, check, tab, chord, wait, answer, expect, list, wait-until, slide, spin";
constexpr long long kMaxControlId = 0xFFFF;
constexpr long long kMaxColor = 0xFFFFFF;
// A script is a few kilobytes; a larger file is not one.
constexpr std::size_t kMaxScriptBytes = std::size_t{4} << 20;

std::optional<StepKind> KindFromName(std::string_view name) {
  // "call" runs C++ code and has no JSON form.
  for (int k = 0; k < static_cast<int>(StepKind::kCall); ++k) {
    if (StepKindName(static_cast<StepKind>(k)) == name) return static_cast<StepKind>(k);
  }
  return std::nullopt;
}

// The keys a step of each kind takes besides "do".
std::vector<std::string_view> StepKeys(StepKind kind) {
  switch (kind) {
    case StepKind::kExpectDialog: return {"do", "caption"};
    case StepKind::kType: return {"do", "id", "text"};
    case StepKind::kSelect: return {"do", "id", "text", "data"};
    case StepKind::kClick: return {"do", "id"};
    case StepKind::kCheck: return {"do", "id", "value"};
    case StepKind::kTab: return {"do", "id", "index"};
    case StepKind::kChord: return {"do", "key"};
    case StepKind::kWait: return {"do", "ms"};
    case StepKind::kAnswer: return {"do", "text", "button"};
    case StepKind::kExpect: return {"do", "id", "text", "visible", "enabled", "checked", "color"};
    // A colour shows only when the dialog paints, which time passing alone
    // does not make it do: a wait cannot be for one.
    case StepKind::kWaitUntil: return {"do", "id", "text", "visible", "enabled", "checked", "ms"};
    case StepKind::kSlide: return {"do", "id", "position"};
    case StepKind::kSpin: return {"do", "id", "delta"};
    case StepKind::kList:
    case StepKind::kCall: break;
  }
  return {"do"};
}

void ReadId(Members& fields, ScriptStep& step) {
  step.id = static_cast<int>(fields.Integer("id", true, 1, kMaxControlId).value_or(0));
}

std::optional<COLORREF> ParseColor(const Json& value) {
  if (value.is_number_unsigned() && value.get<unsigned long long>() <= kMaxColor)
    return static_cast<COLORREF>(value.get<unsigned long long>());
  if (!value.is_string()) return std::nullopt;
  const std::string& text = value.get_ref<const std::string&>();
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  BYTE channels[3] = {};
  for (std::size_t i = 0; i < 3; ++i) {
    const char* first = text.data() + 1 + 2 * i;
    const auto [end, error] = std::from_chars(first, first + 2, channels[i], 16);
    if (error != std::errc() || end != first + 2) return std::nullopt;
  }
  return RGB(channels[0], channels[1], channels[2]);
}

void ReadExpectation(Members& fields, ScriptStep& step) {
  ReadId(fields, step);
  Expectation& e = step.expect;
  e.text = fields.Text("text", false);
  e.visible = fields.Flag("visible", false);
  e.enabled = fields.Flag("enabled", false);
  e.checked = fields.Flag("checked", false);
  const Json* color = step.kind == StepKind::kExpect ? fields.Get("color") : nullptr;
  if (color) {
    e.color = ParseColor(*color);
    if (!e.color) {
      fields.errors().Add(fields.PathOf("color"),
                          fmt::format("must be \"#RRGGBB\" or a colour value from 0 to {}, found {}", kMaxColor,
                                      input::Found(*color)));
    }
  }
  const bool waits = step.kind == StepKind::kWaitUntil;
  if (waits) step.ms = static_cast<int>(fields.Integer("ms", true, 0).value_or(0));
  if (!fields.Has("text") && !fields.Has("visible") && !fields.Has("enabled") && !fields.Has("checked") &&
      (waits || !fields.Has("color"))) {
    fields.errors().Add(fields.path(), fmt::format("give at least one of \"text\", \"visible\", \"enabled\", "
                                                   "\"checked\"{}",
                                                   waits ? "" : ", \"color\""));
  }
}

void ReadStepFields(Members& fields, ScriptStep& step) {
  switch (step.kind) {
    case StepKind::kExpectDialog:
      step.text = fields.Text("caption", true).value_or("");
      break;
    case StepKind::kType:
      ReadId(fields, step);
      step.text = fields.Text("text", true).value_or("");
      break;
    case StepKind::kSelect:
      ReadId(fields, step);
      step.text = fields.Text("text", false).value_or("");
      if (const auto data = fields.Integer("data", false, 0, LLONG_MAX)) step.data = static_cast<DWORD_PTR>(*data);
      if (fields.Has("text") == fields.Has("data"))
        fields.errors().Add(fields.path(), "give either \"text\" or \"data\"");
      break;
    case StepKind::kClick:
      ReadId(fields, step);
      break;
    case StepKind::kCheck:
      ReadId(fields, step);
      step.value = fields.Flag("value", true).value_or(false);
      break;
    case StepKind::kTab:
      ReadId(fields, step);
      step.index = static_cast<int>(fields.Integer("index", true, 0).value_or(0));
      break;
    case StepKind::kChord:
      if (const auto key = fields.Text("key", true)) {
        if (key->size() == 1 && std::isalpha(static_cast<unsigned char>((*key)[0])))
          step.key = static_cast<char>(std::toupper(static_cast<unsigned char>((*key)[0])));
        else
          fields.errors().Add(fields.PathOf("key"),
                              fmt::format("must be one letter from A to Z, found {}", input::Quoted(*key)));
      }
      break;
    case StepKind::kWait:
      step.ms = static_cast<int>(fields.Integer("ms", true, 0).value_or(0));
      break;
    case StepKind::kAnswer: {
      step.text = fields.Text("text", true).value_or("");
      constexpr int kButtons[] = {IDOK, IDYES, IDNO, IDCANCEL};
      if (const auto button = fields.Choice("button", true, {"ok", "yes", "no", "cancel"}))
        step.button = kButtons[*button];
      break;
    }
    case StepKind::kExpect:
    case StepKind::kWaitUntil:
      ReadExpectation(fields, step);
      break;
    case StepKind::kSlide:
      ReadId(fields, step);
      step.position = static_cast<int>(fields.Integer("position", true).value_or(0));
      break;
    case StepKind::kSpin:
      ReadId(fields, step);
      if (const auto delta = fields.Integer("delta", true, -1, 1)) {
        step.position = static_cast<int>(*delta);
        if (*delta == 0) {
          fields.errors().Add(fields.PathOf("delta"), "must be 1 (the up arrow) or -1 (the down arrow), found 0");
        }
      }
      break;
    case StepKind::kList:
    case StepKind::kCall:
      break;
  }
}

void ReadStep(const Json& object, std::size_t index, UserScript& script, ErrorList& errors) {
  const std::string where = fmt::format("step {}", index + 1);
  if (!object.is_object()) {
    errors.Add(where, "a step is a JSON object");
    return;
  }
  const auto found = object.find("do");
  if (found == object.end() || !found->is_string()) {
    errors.Add(where, fmt::format("\"do\" must name the step ({})", kStepNames));
    return;
  }
  const std::string& name = found->get_ref<const std::string&>();
  const std::optional<StepKind> kind = KindFromName(name);
  if (!kind) {
    errors.Add(where, fmt::format("unknown step {} (steps: {})", input::Quoted(name), kStepNames));
    return;
  }
  ScriptStep step;
  step.kind = *kind;
  Members fields(object, fmt::format("{} ({})", where, name), errors, StepKeys(*kind));
  ReadStepFields(fields, step);
  script.Add(std::move(step));
}

// A fault the parser found, at "[2].text", is told at "step 3.text": steps
// are numbered from 1 for the person who wrote them.
std::string StepPath(const std::string& path) {
  std::size_t index = 0;
  if (path.size() < 3 || path[0] != '[') return path;
  const auto [end, error] = std::from_chars(path.data() + 1, path.data() + path.size(), index);
  if (error != std::errc() || *end != ']') return path;
  return fmt::format("step {}{}", index + 1, std::string_view(end + 1, path.data() + path.size() - end - 1));
}

}  // namespace

ScriptParse ParseUserScript(std::string_view json) {
  ScriptParse parse;
  input::ParsedJson parsed = input::ParseJson(json, {.maxBytes = kMaxScriptBytes});
  ErrorList errors;
  for (input::JsonError& error : parsed.errors) errors.Add(StepPath(error.path), std::move(error.cause));
  UserScript script;
  if (parsed.value && !parsed.value->is_array()) errors.Add("", "a user script is a JSON list of steps");
  if (parsed.value && parsed.value->is_array()) {
    for (std::size_t i = 0; i < parsed.value->size(); ++i) ReadStep((*parsed.value)[i], i, script, errors);
  }
  if (!errors.Empty()) {
    parse.error = input::ErrorLines(errors.Take());
    return parse;
  }
  parse.script = std::move(script);
  return parse;
}

ScriptParse LoadUserScript(const std::filesystem::path& file) {
  const input::FileText text = input::ReadBoundedFile(file.string(), kMaxScriptBytes);
  if (!text.ok()) return ScriptParse{std::nullopt, text.error};
  return ParseUserScript(text.text);
}

}  // namespace platform
