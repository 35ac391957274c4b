// The SDK's input checks and their diagnostics on standard error.
#include "analytics/property_checks.h"

#include <climits>
#include <cstdio>
#include <limits>

#include "analytics/object_node.h"
#include "utils/utf8.h"

namespace usage_analytics {
namespace {

bool IsControlByte(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '_';
}

bool IsNameByte(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

bool CheckTimeProperty(const utils::ObjectNode::Value& value) {
  if (value.type != utils::ObjectNode::ValueType::kDateTime) {
    ReportProblem("The property '$time' should be DateTime type.\n");
    return false;
  }
  std::int64_t millis = 0;
  if (!MillisSinceEpoch(value.dateTime.seconds, value.dateTime.millis, millis)) {
    ReportProblem("The property '$time' is out of range.\n");
    return false;
  }
  return true;
}

}  // namespace

void ReportProblem(const std::string& text) {
  // Nothing to do when standard error is gone (a GUI process on Windows has none).
  static_cast<void>(std::fwrite(text.data(), 1, text.size(), stderr));
  static_cast<void>(std::fflush(stderr));
}

bool IsWellFormedText(std::string_view text) {
  for (const char c : text) {
    if (IsControlByte(c)) return false;
  }
  // The strict decoder refuses truncated, overlong and surrogate sequences and code points
  // above U+10FFFF, which is exactly the rest of the rule.
  std::wstring decoded;
  return Utils::Utf8ToWide(std::string(text), decoded);
}

bool CheckStringValue(const std::string& key, const std::string& value) {
  if (value.size() > kMaxStringValueBytes) {
    ReportProblem("String property '" + key + "' is too long, value: " + value + "\n");
    return false;
  }
  if (!IsWellFormedText(value)) {
    ReportProblem("String property '" + key + "' is not valid UTF-8 string, value: " + value + "\n");
    return false;
  }
  return true;
}

bool CheckId(const std::string& name, const std::string& value) {
  if (value.empty()) {
    ReportProblem("The " + name + " is empty.\n");
    return false;
  }
  if (value.size() > kMaxIdBytes) {
    ReportProblem("The " + name + " is too long, max length is 255.\n");
    return false;
  }
  // An id goes into every record as JSON text, so it must be a text JSON can carry.
  if (!IsWellFormedText(value)) {
    ReportProblem("The " + name + " is not valid UTF-8 string.\n");
    return false;
  }
  return true;
}

bool CheckName(const std::string& name, const std::string& value) {
  if (value.empty() || value.size() > kMaxNameBytes) {
    ReportProblem("The " + name + " is empty or too long, max length is 100");
    return false;
  }
  bool valid = IsNameStart(value.front());
  for (std::size_t i = 1; valid && i < value.size(); ++i) valid = IsNameByte(value[i]);
  if (!valid) {
    ReportProblem("The " + name + " need to be a valid variable name.");
    return false;
  }
  return true;
}

bool MillisSinceEpoch(std::int64_t seconds, int millis, std::int64_t& out) {
  // Room for any int milliseconds on either side of seconds * 1000.
  constexpr std::int64_t kLimit = (std::numeric_limits<std::int64_t>::max() - INT_MAX) / 1000;
  if (seconds > kLimit || seconds < -kLimit) return false;
  out = seconds * 1000 + millis;
  return true;
}

bool CheckPropertySet(const utils::ObjectNode& properties) {
  for (const auto& [key, value] : properties.Values()) {
    if (!CheckName("Property Key", key)) return false;
    if (key == "$time" && !CheckTimeProperty(value)) return false;
    if (key == "$project" && value.type != utils::ObjectNode::ValueType::kString) {
      ReportProblem("The property '$project' should be String type.\n");
      return false;
    }
  }
  return true;
}

}  // namespace usage_analytics
