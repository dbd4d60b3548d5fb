#include "kernel/setup_file_json.h"

namespace kernel::setup_file {

ParsedJson ParseSetupJson(std::string_view text) {
  return input::ParseJson(text, {.maxBytes = kMaxDocumentBytes, .maxDepth = kMaxDepth, .rawNumbersUnder = "options"});
}

ParsedJson ParseSimulationJson(std::string_view text) {
  return input::ParseJson(text, {.maxBytes = kMaxDocumentBytes, .maxDepth = kMaxDepth - 1});
}

Json& Append(Json& object, std::string key, Json value) {
  auto& members = object.get_ref<Json::object_t&>();
  members.emplace_back(std::move(key), std::move(value));
  return members.back().second;
}

}  // namespace kernel::setup_file
