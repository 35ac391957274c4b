// Small steps shared by the event property builders: optional fields set only when present,
// the closing "$is_first_time" and context properties, and the checks' exception.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "analytics/object_node.h"
#include "analytics/qo_context_properties.h"
#include "analytics/qo_types.h"

namespace usage::zelkor::event_setters {

using usage_analytics::PropertiesNode;

// Throws the QoException of a failed check of a track operation.
[[noreturn]] void FailCheck(const char* operation, const std::string& message, int line);

// A text counts as set when it is not empty.
void SetTextIfSet(PropertiesNode& properties, const char* key, const std::string& text);
struct TextField {
  const char* key;
  const std::string& text;
};
// Each text that is set, under its key.
void SetTextsIfSet(PropertiesNode& properties, std::initializer_list<TextField> fields);
void SetIntIfSet(PropertiesNode& properties, const char* key, const std::shared_ptr<int>& value);
void SetNumberIfSet(PropertiesNode& properties, const char* key, const std::shared_ptr<float>& value);
void SetNumberIfPositive(PropertiesNode& properties, const char* key, float value);
// The text of result, only when it is Success, Cancelled or Fail.
void SetOutcomeIfKnown(PropertiesNode& properties, const char* key, const std::shared_ptr<QoResult>& result);

enum class FirstTime { kAdd, kLeaveOut };
// Adds "$is_first_time" = true when asked, then the context properties of kind over it.
PropertiesNode Finish(PropertiesNode properties, FirstTime firstTime, const QoContextProperties& context,
                      QoEventKind kind);

}  // namespace usage::zelkor::event_setters
