// Shared steps of the event property builders.
#include "analytics/event_property_setters.h"

#include "analytics/qo_exception.h"

namespace usage::zelkor::event_setters {

void FailCheck(const char* operation, const std::string& message, int line) {
  throw QoException(message, kTrackerUnit, operation, line);
}

void SetTextIfSet(PropertiesNode& properties, const char* key, const std::string& text) {
  if (!text.empty()) properties.SetString(key, text);
}

void SetTextsIfSet(PropertiesNode& properties, std::initializer_list<TextField> fields) {
  for (const TextField& field : fields) SetTextIfSet(properties, field.key, field.text);
}

void SetIntIfSet(PropertiesNode& properties, const char* key, const std::shared_ptr<int>& value) {
  if (value) properties.SetInt(key, *value);
}

void SetNumberIfSet(PropertiesNode& properties, const char* key, const std::shared_ptr<float>& value) {
  if (value) properties.SetNumber(key, *value);
}

void SetNumberIfPositive(PropertiesNode& properties, const char* key, float value) {
  if (value > 0) properties.SetNumber(key, value);
}

void SetOutcomeIfKnown(PropertiesNode& properties, const char* key, const std::shared_ptr<QoResult>& result) {
  if (result && (*result == QoResult::Success || *result == QoResult::Cancelled || *result == QoResult::Fail)) {
    properties.SetString(key, toString(*result));
  }
}

PropertiesNode Finish(PropertiesNode properties, FirstTime firstTime, const QoContextProperties& context,
                      QoEventKind kind) {
  if (firstTime == FirstTime::kAdd) properties.SetBool("$is_first_time", true);
  ApplyContextProperties(context, kind, properties);
  return properties;
}

}  // namespace usage::zelkor::event_setters
