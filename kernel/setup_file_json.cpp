#include "kernel/setup_file_json.h"

#include <algorithm>
#include <exception>
#include <numeric>
#include <utility>

#include <fmt/format.h>

namespace kernel::setup_file {
namespace {

// Texts quoted from a document are cut so that an error about a 60 MB
// string stays one line.
constexpr std::size_t kQuoteBytes = 64;
constexpr std::size_t kCauseBytes = 240;

// The longest prefix of `text` of at most `bytes` bytes that does not split
// a UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// Builds the document from parser events, counting values and levels so a
// hostile input is refused as soon as it passes a bound, before it costs
// memory. Returning false stops the parser.
class BoundedBuilder {
 public:
  BoundedBuilder(int maxDepth, std::string_view rawNumbersUnder)
      : maxDepth_(maxDepth), rawNumbersUnder_(rawNumbersUnder) {}

  bool null() { return Add(Json(nullptr)); }
  bool boolean(bool value) { return Add(Json(value)); }
  bool number_integer(Json::number_integer_t value) { return Add(Json(value)); }
  bool number_unsigned(Json::number_unsigned_t value) { return Add(Json(value)); }
  bool number_float(Json::number_float_t value, const Json::string_t& literal) {
    return KeepsRawNumbers() ? Add(Json(literal)) : Add(Json(value));
  }
  bool string(Json::string_t& value) { return Add(Json(std::move(value))); }
  // Binary values come from binary formats only, never from JSON text.
  bool binary(Json::binary_t&) { return Add(Json(nullptr)); }
  bool start_object(std::size_t) { return Open(Json::object()); }
  bool key(Json::string_t& name) {
    stack_.back().key = std::move(name);
    stack_.back().keyPending = true;
    return true;
  }
  bool end_object() {
    DropRepeatedKeys();
    stack_.pop_back();
    return true;
  }
  bool start_array(std::size_t) { return Open(Json::array()); }
  bool end_array() {
    stack_.pop_back();
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception& error) {
    Fail(error.what());
    return false;
  }

  void Fail(std::string_view what) {
    // "[json.exception.parse_error.101] parse error at line 1, ..." -> the
    // part after the tag.
    const std::size_t tagEnd = what.find("] ");
    if (what.starts_with("[json.exception.") && tagEnd != std::string_view::npos) what.remove_prefix(tagEnd + 2);
    std::string cause(Utf8Prefix(what, kCauseBytes));
    if (cause.size() < what.size()) cause += " ...";
    errors_.Add(PathHere(), std::move(cause));
  }

  ErrorList& errors() { return errors_; }
  Json& root() { return root_; }

 private:
  struct Frame {
    Json* node;
    std::string key;          // the member being read, or the last one read
    bool keyPending = false;  // `key` names a member whose value is to come
  };

  bool KeepsRawNumbers() const {
    return !rawNumbersUnder_.empty() && stack_.size() == 2 && stack_[0].node->is_object() &&
           stack_[0].key == rawNumbersUnder_ && stack_[1].node->is_object();
  }

  bool Count() {
    if (++values_ <= kMaxValues) return true;
    errors_.Add(PathHere(), fmt::format("the document holds more than {} values", kMaxValues));
    return false;
  }

  Json* Attach(Json value) {
    if (stack_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Frame& parent = stack_.back();
    if (parent.node->is_array()) {
      auto& array = parent.node->get_ref<Json::array_t&>();
      array.push_back(std::move(value));
      return &array.back();
    }
    // Repeated keys are found once the object is complete, in O(n log n);
    // the ordered map's own insert searches linearly.
    auto& object = parent.node->get_ref<Json::object_t&>();
    object.emplace_back(parent.key, std::move(value));
    parent.keyPending = false;
    return &object.back().second;
  }

  bool Add(Json value) {
    if (!Count()) return false;
    Attach(std::move(value));
    return true;
  }

  bool Open(Json container) {
    if (!Count()) return false;
    if (static_cast<int>(stack_.size()) >= maxDepth_) {
      errors_.Add(PathHere(), fmt::format("nested deeper than {} levels", maxDepth_));
      return false;
    }
    Json* node = Attach(std::move(container));
    stack_.push_back(Frame{node, {}, false});
    return true;
  }

  // The path of the first `frames` open containers, plus the member to come
  // in the innermost one when `pending` is set.
  std::string PathOf(std::size_t frames, bool pending) const {
    std::string path;
    for (std::size_t i = 0; i < frames; ++i) {
      const Frame& frame = stack_[i];
      const bool open = i + 1 < frames;  // its last member is an open container
      if (frame.node->is_object()) {
        if (open || (pending && frame.keyPending)) path = MemberPath(path, frame.key);
      } else {
        const std::size_t size = frame.node->size();
        if (open && size > 0) path = ElementPath(path, size - 1);
        else if (!open && pending) path = ElementPath(path, size);
      }
    }
    return path;
  }
  std::string PathHere() const { return PathOf(stack_.size(), true); }

  // Reports every key that repeats an earlier one of the same object and
  // keeps the first, so that later checks see each member once.
  void DropRepeatedKeys() {
    auto& object = stack_.back().node->get_ref<Json::object_t&>();
    if (object.size() < 2) return;
    std::vector<std::size_t> order(object.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto keyAt = [&](std::size_t i) -> const std::string& { return (object.begin() + i)->first; };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return keyAt(a) < keyAt(b); });
    std::vector<bool> repeated(object.size(), false);
    bool any = false;
    for (std::size_t i = 1; i < order.size(); ++i) {
      if (keyAt(order[i]) == keyAt(order[i - 1])) repeated[order[i]] = any = true;
    }
    if (!any) return;
    const std::string path = PathOf(stack_.size(), false);
    Json::object_t kept;
    for (std::size_t i = 0; i < object.size(); ++i) {
      auto& member = *(object.begin() + i);
      if (repeated[i]) errors_.Add(path, "duplicate key " + Quoted(member.first));
      else kept.emplace_back(member.first, std::move(member.second));
    }
    object = std::move(kept);
  }

  const int maxDepth_;
  const std::string_view rawNumbersUnder_;
  std::size_t values_ = 0;
  std::vector<Frame> stack_;
  Json root_;
  ErrorList errors_;
};

}  // namespace

ParsedJson ParseBoundedJson(std::string_view text, int maxDepth, std::string_view rawNumbersUnder) {
  ParsedJson result;
  if (text.size() > kMaxDocumentBytes) {
    result.errors.push_back({"", fmt::format("the document is larger than {} MiB", kMaxDocumentBytes >> 20)});
    return result;
  }
  BoundedBuilder builder(maxDepth, rawNumbersUnder);
  bool parsed = false;
  try {
    const char* begin = text.empty() ? "" : text.data();
    parsed = Json::sax_parse(begin, begin + text.size(), &builder);
  } catch (const std::exception& error) {
    builder.Fail(error.what());
  }
  if (parsed && builder.errors().Empty()) result.value = std::move(builder.root());
  result.errors = builder.errors().Take();
  return result;
}

Json& Append(Json& object, std::string key, Json value) {
  auto& members = object.get_ref<Json::object_t&>();
  members.emplace_back(std::move(key), std::move(value));
  return members.back().second;
}

void ErrorList::Add(std::string path, std::string cause) {
  if (errors_.size() < kMaxErrors) errors_.push_back({std::move(path), std::move(cause)});
  else ++dropped_;
}

void ErrorList::Append(std::vector<SetupFileError> errors) {
  for (auto& error : errors) Add(std::move(error.path), std::move(error.cause));
}

std::vector<SetupFileError> ErrorList::Take() {
  if (dropped_ > 0) errors_.push_back({"", fmt::format("{} more errors not shown", dropped_)});
  dropped_ = 0;
  return std::move(errors_);
}

std::string MemberPath(std::string_view path, std::string_view key) {
  const bool plain = !key.empty() && std::none_of(key.begin(), key.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7F || c == '.' || c == '[' || c == ']' || c == '"';
  });
  std::string result(path);
  if (!result.empty()) result += '.';
  if (plain && key.size() <= kQuoteBytes) result += key;
  else result += Quoted(key);
  return result;
}

std::string ElementPath(std::string_view path, std::size_t index) {
  return fmt::format("{}[{}]", path, index);
}

std::string Quoted(std::string_view text) {
  const std::string_view shown = Utf8Prefix(text, kQuoteBytes);
  // The text may come from a setup built in memory, so it need not be UTF-8.
  std::string result = Json(std::string(shown)).dump(-1, ' ', false, Json::error_handler_t::replace);
  if (shown.size() < text.size()) result += fmt::format("... ({} bytes)", text.size());
  return result;
}

std::string NumberText(double value) { return fmt::format("{}", value); }

std::string_view KindOf(const Json& value) { return value.type_name(); }

}  // namespace kernel::setup_file
