#pragma once

// Checked reads of a parsed document. Every read reports what is wrong at
// its path in an ErrorList and goes on, so that one pass over a document
// lists all its faults. A value of the wrong kind or out of range gives
// nullopt; the caller keeps its default and carries on.

#include <climits>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input/json_error.h"
#include "input/json_parse.h"

namespace input {

inline constexpr double kUnbounded = HUGE_VAL;

// What a value is, for "must be a number, found string".
std::string_view KindOf(const Json& value);
// The value as a message shows it: a number or a quoted, cut text; the kind
// of a container.
std::string Found(const Json& value);

// Typed reads of one value.
std::optional<std::string> ReadText(const Json& value, const std::string& path, ErrorList& errors,
                                    bool allowEmpty = true);
std::optional<long long> ReadInteger(const Json& value, const std::string& path, ErrorList& errors,
                                     long long min = INT_MIN, long long max = INT_MAX);
// A finite number within [min, max].
std::optional<double> ReadNumber(const Json& value, const std::string& path, ErrorList& errors,
                                 double min = -kUnbounded, double max = kUnbounded);
std::optional<bool> ReadFlag(const Json& value, const std::string& path, ErrorList& errors);
// The index in `names` of the text the value holds.
std::optional<std::size_t> ReadChoice(const Json& value, const std::string& path, ErrorList& errors,
                                      const std::vector<std::string_view>& names);
// The list, or nullptr after reporting that the value is not one; `what`
// says what its elements are ("a list of sensor types").
const Json* ReadList(const Json& value, const std::string& path, ErrorList& errors,
                     std::string_view what = "a list");

// The members of an object, by the keys the format knows there; any other
// key is reported. A value that is not an object is reported and has no
// members.
class Members {
 public:
  Members(const Json& value, std::string path, ErrorList& errors, std::vector<std::string_view> known);

  bool IsObject() const { return isObject_; }
  const std::string& path() const { return path_; }
  std::string PathOf(std::string_view key) const { return MemberPath(path_, key); }
  ErrorList& errors() const { return errors_; }

  // nullptr when absent; Require also reports the absence (at the object,
  // since the member has no place: `drive: missing "adcMaxValue"`).
  const Json* Get(std::string_view key) const;
  const Json* Require(std::string_view key);
  bool Has(std::string_view key) const { return Get(key) != nullptr; }

  // Absent (when `required` is false) and wrong both give nullopt; only
  // wrong and missing-but-required are reported.
  std::optional<std::string> Text(std::string_view key, bool required, bool allowEmpty = true);
  std::optional<long long> Integer(std::string_view key, bool required, long long min = INT_MIN,
                                   long long max = INT_MAX);
  std::optional<double> Number(std::string_view key, bool required, double min = -kUnbounded,
                               double max = kUnbounded);
  std::optional<bool> Flag(std::string_view key, bool required);
  std::optional<std::size_t> Choice(std::string_view key, bool required, const std::vector<std::string_view>& names);
  // A list of texts, each of which may be empty only when `allowEmpty`.
  std::optional<std::vector<std::string>> TextList(std::string_view key, bool required, bool allowEmpty = true);

  // The value of an enumeration named in `choices`, or `fallback`.
  template <typename E>
  E Pick(std::string_view key, E fallback, std::initializer_list<std::pair<std::string_view, E>> choices) {
    const Json* value = Get(key);
    if (!value) return fallback;
    std::vector<std::string_view> names;
    for (const auto& choice : choices) names.push_back(choice.first);
    const auto index = ReadChoice(*value, PathOf(key), errors_, names);
    return index ? (choices.begin() + *index)->second : fallback;
  }

 private:
  const Json* Find(std::string_view key, bool required);

  std::string path_;
  ErrorList& errors_;
  bool isObject_ = false;
  std::vector<std::pair<std::string_view, const Json*>> found_;
};

}  // namespace input
