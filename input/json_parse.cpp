#include "input/json_parse.h"

#include <algorithm>
#include <exception>
#include <numeric>
#include <utility>

#include <fmt/format.h>

namespace input {
namespace {

// The library's code for a number that overflows a double.
constexpr int kNumberOverflow = 406;
constexpr std::size_t kCauseBytes = 240;

// "[json.exception.parse_error.101] parse error at line 1, ..." -> the part
// after the library's tag, cut to one readable line.
std::string LibraryCause(std::string_view what) {
  const std::size_t tagEnd = what.find("] ");
  if (what.starts_with("[json.exception.") && tagEnd != std::string_view::npos) what.remove_prefix(tagEnd + 2);
  std::string cause(Utf8Prefix(what, kCauseBytes));
  if (cause.size() < what.size()) cause += " ...";
  return cause;
}

// Builds the document from parser events, counting values and levels so a
// hostile input is refused as soon as it passes a bound, before it costs
// memory. Returning false stops the parser.
class BoundedBuilder {
 public:
  explicit BoundedBuilder(const JsonBounds& bounds) : bounds_(bounds) {}

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
  bool parse_error(std::size_t, const std::string& token, const nlohmann::json::exception& error) {
    if (error.id == kNumberOverflow) {
      errors_.Add(PathHere(), fmt::format("the number {} is too large for a double", Utf8Prefix(token, 64)));
    } else {
      Fail(error.what());
    }
    return false;
  }

  void Fail(std::string_view what) { errors_.Add(PathHere(), LibraryCause(what)); }

  ErrorList& errors() { return errors_; }
  Json& root() { return root_; }

 private:
  struct Frame {
    Json* node;
    std::string key;          // the member being read, or the last one read
    bool keyPending = false;  // `key` names a member whose value is to come
  };

  bool KeepsRawNumbers() const {
    return !bounds_.rawNumbersUnder.empty() && stack_.size() == 2 && stack_[0].node->is_object() &&
           stack_[0].key == bounds_.rawNumbersUnder && stack_[1].node->is_object();
  }

  bool Count() {
    if (++values_ <= bounds_.maxValues) return true;
    errors_.Add(PathHere(), fmt::format("the document holds more than {} values", bounds_.maxValues));
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
    if (static_cast<int>(stack_.size()) >= bounds_.maxDepth) {
      errors_.Add(PathHere(), fmt::format("nested deeper than {} levels", bounds_.maxDepth));
      return false;
    }
    Json* node = Attach(std::move(container));
    stack_.push_back(Frame{node, {}, false});
    return true;
  }

  // The path of the first `frames` open containers, plus the member to come
  // in the innermost one when `pending` is set.
  std::string PathOf(std::size_t frames, bool pending) const {
    std::string path(bounds_.root);
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
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keyAt(a) < keyAt(b); });
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

  const JsonBounds& bounds_;
  std::size_t values_ = 0;
  std::vector<Frame> stack_;
  Json root_;
  ErrorList errors_;
};

}  // namespace

ParsedJson ParseJson(std::string_view text, const JsonBounds& bounds) {
  ParsedJson result;
  if (text.size() > bounds.maxBytes) {
    result.errors.push_back({"", fmt::format("the document is larger than {}", SizeText(bounds.maxBytes))});
    return result;
  }
  BoundedBuilder builder(bounds);
  bool parsed = false;
  try {
    const char* begin = text.empty() ? "" : text.data();
    parsed = Json::sax_parse(begin, begin + text.size(), &builder);
  } catch (const std::exception& error) {
    // Memory running out while building, for one.
    builder.Fail(error.what());
  }
  if (parsed && builder.errors().Empty()) result.value = std::move(builder.root());
  result.errors = builder.errors().Take();
  return result;
}

}  // namespace input
