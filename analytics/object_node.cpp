// Property containers of the analytics SDK: the ordered map, its checked setters and its
// compact JSON text.
#include "analytics/object_node.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "analytics/local_time.h"
#include "analytics/property_checks.h"

namespace usage_analytics {
namespace utils {
namespace {

// Texts in double quotes; only \b \t \n \f \r \" \\ are escaped, every other byte is
// copied (the checks keep other control bytes out of stored texts).
void AppendQuoted(std::string& out, const std::string& text) {
  out.push_back('"');
  for (const char c : text) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out.push_back(c); break;
    }
  }
  out.push_back('"');
}

// General notation with six significant digits, printf's "%.6g" as in the C locale: a
// decimal comma of the user's locale becomes the point JSON needs. (printf, not
// std::to_chars, whose tables for doubles would cost the downloaded installer 170 KiB.)
void AppendNumber(std::string& out, double value) {
  char text[64];
  // At most 13 characters ("-1.23457e-308"): the buffer always holds them.
  const int length = std::snprintf(text, sizeof(text), "%.6g", value);
  for (int i = 0; i < length; ++i) {
    const char c = text[i];
    const bool numberPart = (c >= '0' && c <= '9') || c == '-' || c == '+' || (c >= 'a' && c <= 'z') ||
                            (c >= 'A' && c <= 'Z');
    if (!numberPart) text[i] = '.';
  }
  out.append(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

void AppendList(std::string& out, const std::vector<std::string>& items) {
  out.push_back('[');
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.push_back(',');
    AppendQuoted(out, items[i]);
  }
  out.push_back(']');
}

// The local time of the moment, quoted; milliseconds outside 0..999 carry into the seconds.
// A moment the platform cannot convert is written as all zeros.
void AppendDateTime(std::string& out, const ObjectNode::DateTime& moment) {
  std::int64_t millisSinceEpoch = 0;
  CalendarTime local{};
  char text[64] = "0000-00-00 00:00:00.000";
  if (MillisSinceEpoch(moment.seconds, moment.millis, millisSinceEpoch)) {
    std::int64_t seconds = millisSinceEpoch / 1000;
    int millis = static_cast<int>(millisSinceEpoch % 1000);
    if (millis < 0) {
      millis += 1000;
      seconds -= 1;
    }
    if (LocalCalendarTime(seconds, local)) {
      std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.year, local.month, local.day,
                    local.hour, local.minute, local.second, millis);
    }
  }
  out.push_back('"');
  out += text;
  out.push_back('"');
}

void AppendObject(std::string& out, const ObjectNode& node);

void AppendValue(std::string& out, const ObjectNode::Value& value) {
  switch (value.type) {
    case ObjectNode::ValueType::kNumber: AppendNumber(out, value.number); break;
    case ObjectNode::ValueType::kInt: out += std::to_string(value.integer); break;
    case ObjectNode::ValueType::kString: AppendQuoted(out, value.text); break;
    case ObjectNode::ValueType::kList: AppendList(out, value.list); break;
    case ObjectNode::ValueType::kDateTime: AppendDateTime(out, value.dateTime); break;
    case ObjectNode::ValueType::kBool: out += value.boolean ? "true" : "false"; break;
    case ObjectNode::ValueType::kObject:
      if (value.object) {
        AppendObject(out, *value.object);
      } else {
        out += "{}";
      }
      break;
  }
}

// Keys are written as they are: every key that reaches a record has passed the name check.
void AppendObject(std::string& out, const ObjectNode& node) {
  out.push_back('{');
  bool first = true;
  for (const auto& [key, value] : node.Values()) {
    if (!first) out.push_back(',');
    first = false;
    out.push_back('"');
    out += key;
    out += "\":";
    AppendValue(out, value);
  }
  out.push_back('}');
}

}  // namespace

void ObjectNode::SetNumber(const std::string& key, double value) {
  // JSON has no form for NaN or infinity; one would make the whole record unreadable.
  if (!std::isfinite(value)) {
    ReportProblem("Number property '" + key + "' is not a finite number.\n");
    return;
  }
  Value& stored = values_[key] = Value{};
  stored.type = ValueType::kNumber;
  stored.number = value;
}

void ObjectNode::SetInt(const std::string& key, std::int64_t value) {
  Value& stored = values_[key] = Value{};
  stored.type = ValueType::kInt;
  stored.integer = value;
}

void ObjectNode::SetString(const std::string& key, const std::string& value) {
  if (!CheckStringValue(key, value)) return;
  Value& stored = values_[key] = Value{};
  stored.type = ValueType::kString;
  stored.text = value;
}

void ObjectNode::SetString(const std::string& key, const char* value) {
  SetString(key, std::string(value != nullptr ? value : ""));  // no text is the empty text
}

void ObjectNode::SetBool(const std::string& key, bool value) {
  Value& stored = values_[key] = Value{};
  stored.type = ValueType::kBool;
  stored.boolean = value;
}

void ObjectNode::SetList(const std::string& key, const std::vector<std::string>& values) {
  // Items are written into the JSON like string values, so they pass the same check.
  for (const std::string& item : values) {
    if (!CheckStringValue(key, item)) return;
  }
  Value& stored = values_[key] = Value{};
  stored.type = ValueType::kList;
  stored.list = values;
}

void ObjectNode::SetDateTime(const std::string& key, std::int64_t seconds, int millis) {
  Value& stored = values_[key] = Value{};
  stored.type = ValueType::kDateTime;
  stored.dateTime = {seconds, millis};
}

void ObjectNode::SetObject(const std::string& key, const ObjectNode& node) {
  Value& stored = values_[key] = Value{};
  stored.type = ValueType::kObject;
  stored.object = std::make_shared<const ObjectNode>(node);
}

void ObjectNode::Merge(const ObjectNode& other) {
  if (&other == this) return;
  for (const auto& [key, value] : other.values_) {
    // Objects go through SetObject, so a node that refuses them refuses them here too.
    if (value.type == ValueType::kObject) {
      if (value.object) SetObject(key, *value.object);
    } else {
      values_[key] = value;
    }
  }
}

bool ObjectNode::Has(const std::string& key) const { return values_.count(key) != 0; }

const ObjectNode::Value* ObjectNode::Find(const std::string& key) const {
  const auto it = values_.find(key);
  return it != values_.end() ? &it->second : nullptr;
}

void ObjectNode::Remove(const std::string& key) { values_.erase(key); }

std::string ObjectNode::ToJson() const {
  std::string out;
  AppendObject(out, *this);
  return out;
}

}  // namespace utils

void PropertiesNode::SetObject(const std::string& key, const utils::ObjectNode& node) {}

}  // namespace usage_analytics
