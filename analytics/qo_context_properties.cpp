// QoContextProperties: the per-kind lists of extra event properties and the A/B value rule.
#include "analytics/qo_context_properties.h"

#include "analytics/qo_exception.h"

namespace usage::zelkor {
namespace {

constexpr const char* kAbKey = "qoc_ab";

[[noreturn]] void FailKindOverflow(unsigned kind, const char* function, int line) {
  throw QoException("QoEvent[" + std::to_string(kind) + "] overflow!", kContextUnit, function, line);
}

bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsUpperLetterOrDigit(char c) { return IsUpperLetter(c) || (c >= '0' && c <= '9'); }

[[noreturn]] void FailAbValue(const char* message, int line) {
  throw QoException(message, kContextUnit, "isValidABValue", line);
}

}  // namespace

void QoContextProperties::setProperty(const std::string& value, const std::vector<unsigned>& kinds) {
  auto shared = std::make_shared<const std::string>(value);
  if (!properties_.emplace(kAbKey, shared).second) {
    throw QoException(std::string("Property[") + kAbKey + "] already exist!", kContextUnit, "setProperty", __LINE__);
  }
  for (unsigned kind : kinds) {
    if (kind >= kEventKindCount) FailKindOverflow(kind, "setProperty", __LINE__);
    eventProperties_[kind].push_back({shared, kTextValue, kAbKey});
  }
}

void QoContextProperties::setProperty(const std::string& value, std::initializer_list<QoEventKind> kinds) {
  std::vector<unsigned> numbers;
  for (QoEventKind kind : kinds) numbers.push_back(static_cast<unsigned>(kind));
  setProperty(value, numbers);
}

const std::vector<QoContextProperties::Entry>& QoContextProperties::getEventProperties(unsigned kind) const {
  if (kind >= kEventKindCount) FailKindOverflow(kind, "getEventProperties", __LINE__);
  return eventProperties_[kind];
}

const std::vector<QoContextProperties::Entry>& QoContextProperties::getEventProperties(QoEventKind kind) const {
  return getEventProperties(static_cast<unsigned>(kind));
}

bool QoContextProperties::isValidABValue(const std::string& value) {
  if (value.empty()) return false;
  if (value.size() > 3) FailAbValue("value's length is great than 3.", __LINE__);
  if (!IsUpperLetter(value[0])) FailAbValue("First char is not in A to Z", __LINE__);
  if (value.size() > 1 && !IsUpperLetterOrDigit(value[1])) {
    FailAbValue("second char is not in A to Z and 0 to 9", __LINE__);
  }
  if (value.size() > 2 && !IsUpperLetterOrDigit(value[2])) {
    FailAbValue("third char is not in A to Z and 0 to 9", __LINE__);
  }
  return true;
}

void ApplyContextProperties(const QoContextProperties& context, QoEventKind kind,
                            usage_analytics::PropertiesNode& properties) {
  for (const QoContextProperties::Entry& entry : context.getEventProperties(kind)) {
    properties.SetString(entry.key, *entry.value);
  }
}

}  // namespace usage::zelkor
