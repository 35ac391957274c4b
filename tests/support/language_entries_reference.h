// The texts of "language.json" as jsoncpp's default reader reads them: the reference that the
// installer's own reader must match, document for document.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <json/json.h>

#include "ui/language_json.h"

inline std::optional<std::vector<language_json::Entry>> ReferenceLanguageEntries(std::string_view json,
                                                                                 const std::string& member) {
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  try {
    if (!reader->parse(json.data(), json.data() + json.size(), &root, &errors)) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;  // nesting beyond the reader's limit
  }
  std::vector<language_json::Entry> entries;
  for (const Json::Value& element : root) {
    if (!element.isObject()) continue;
    const Json::Value& id = element["id"];
    if (!id.isConvertibleTo(Json::intValue)) continue;
    const Json::Value& text = element[member];
    entries.push_back({id.asInt(), text.isConvertibleTo(Json::stringValue) ? text.asString() : std::string()});
  }
  return entries;
}
