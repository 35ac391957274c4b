// Extra properties a caller attaches to chosen event kinds (the A/B test value "qoc_ab"),
// and how the track operations apply them to an event's property set.
#pragma once

#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "analytics/object_node.h"
#include "analytics/qo_types.h"

namespace usage::zelkor {

class QoContextProperties {
 public:
  // Value type codes of an entry; only texts are made.
  static constexpr int kTextValue = 3;

  struct Entry {
    std::shared_ptr<const std::string> value;  // shared with the properties map
    int type = kTextValue;
    std::string key;
  };

  // Adds value under "qoc_ab" for every listed kind, in order. Fails with
  // "Property[qoc_ab] already exist!" on a second call, and with "QoEvent[n] overflow!" at
  // the first kind of 15 or more (the kinds before it keep their entry).
  void setProperty(const std::string& value, const std::vector<unsigned>& kinds);
  void setProperty(const std::string& value, std::initializer_list<QoEventKind> kinds);

  // The entries of one kind, in the order they were added; fails for a kind of 15 or more.
  const std::vector<Entry>& getEventProperties(unsigned kind) const;
  const std::vector<Entry>& getEventProperties(QoEventKind kind) const;

  // An A/B value is one upper-case letter A-Z followed by at most two upper-case letters or
  // digits. Empty gives false; any other shape fails with the first rule it breaks.
  static bool isValidABValue(const std::string& value);

 private:
  std::unordered_map<std::string, std::shared_ptr<const std::string>> properties_;
  std::array<std::vector<Entry>, kEventKindCount> eventProperties_;
};

// Sets each entry of kind's list as a text property, in list order, replacing a property of
// the same key.
void ApplyContextProperties(const QoContextProperties& context, QoEventKind kind,
                            usage_analytics::PropertiesNode& properties);

}  // namespace usage::zelkor
