// Reading back what the analytics SDK staged, shared by its tests and its fuzz target: the
// raw lines of the staging file, and each line as one strict JSON record.
#pragma once

#include <json/json.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "utils/file_ops.h"
#include "utils/utf8.h"

namespace analytics_testing {

// Takes the staging file's lines (a "\r" before a line's "\n" dropped) and removes the file.
// False, with problem set, when the last line is unterminated or the file stays; no file
// means no lines.
inline bool TakeStagedLines(const std::wstring& file, std::vector<std::string>& lines, std::string& problem) {
  lines.clear();
  Utils::UniqueFile stream = Utils::OpenFile(file, "rb");
  if (!stream) return true;
  std::string text;
  char block[4096];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof(block), stream.get())) > 0) text.append(block, n);
  stream.reset();
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (start != text.size()) problem = "unterminated last line: " + text.substr(start);
  if (!Utils::DeleteFileAt(file)) problem = "the staging file stays";
  return problem.empty();
}

// Strict JSON object text. jsoncpp lets raw control bytes and broken UTF-8 through inside
// strings, so the text is checked for both first.
inline bool ParseStrictObject(const std::string& text, Json::Value& value, std::string& problem) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) {
      problem = "raw control byte";
      return false;
    }
  }
  std::wstring decoded;
  if (!Utils::Utf8ToWide(text, decoded)) {
    problem = "not UTF-8";
    return false;
  }
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  if (!reader->parse(text.data(), text.data() + text.size(), &value, &problem)) return false;
  if (!value.isObject()) problem = "not an object";
  return problem.empty();
}

}  // namespace analytics_testing
