#pragma once

// Private to the framework's readers (resource files, user scripts): JSON
// parsed strictly, so that a repeated key or a misspelt field is an error
// instead of a silently ignored value.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace platform::detail {

using Json = nlohmann::json;

struct StrictParse {
  Json value;
  std::string error;  // empty when the text parsed
  int errorElement = -1;  // 0-based element of a top-level list the error lies in, if known
};

// Parses `text`; a key that repeats inside one object is an error.
StrictParse ParseStrict(std::string_view text);

// Reads the fields of one JSON object, appending an error ("<where>: ...")
// for each field of the wrong type and, at Finish, for each unknown field.
class Fields {
 public:
  Fields(const Json& object, std::string where, std::vector<std::string>& errors);

  bool Has(const char* key) const;
  bool Int(const char* key, int& out, bool required);
  bool Int64(const char* key, long long& out, bool required);
  bool String(const char* key, std::string& out, bool required);
  bool Bool(const char* key, bool& out, bool required);
  bool StringList(const char* key, std::vector<std::string>& out, bool required);
  const Json* Member(const char* key);
  // Reports every field that no reader asked for.
  void Finish();
  const std::string& Where() const { return where_; }

 private:
  const Json* Take(const char* key, bool required);
  void Error(const std::string& text);

  const Json& object_;
  std::string where_;
  std::vector<std::string>& errors_;
  std::set<std::string> known_;
};

}  // namespace platform::detail
