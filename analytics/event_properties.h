// The property set each track operation hands to the analytics SDK, as pure functions of the
// caller's record, its context properties and what the tracker knows of itself. Each one
// first makes the operation's checks and throws QoException (function = the operation's
// name) before anything is built, so a failed check records nothing.
#pragma once

#include <string>

#include "analytics/object_node.h"
#include "analytics/qo_context_properties.h"
#include "analytics/qo_events.h"

namespace usage::zelkor {

using usage_analytics::PropertiesNode;

// The install-source text the activity event and the device profile report.
inline constexpr const char* kInstallSourceText = "android_id=123##imei=1234##mac=123";

// The tracker's own values that the activity event carries.
struct TrackerFacts {
  std::string appName;
  std::string appVersion;
  std::string appStore;
  std::string userAgent;  // left out when empty
  std::string osName;     // "$os"
  std::string osVersion;  // "$os_version"
};

// trackActivity: the set for the SDK's installation tracking (recorded as "QoEventActivity").
PropertiesNode ActivityProperties(const TrackerFacts& facts, const QoContextProperties& context);
// trackLaunch: the context properties only.
PropertiesNode LaunchProperties(const QoContextProperties& context);
PropertiesNode LoginProperties(const QoUserInfo& user, bool success, const std::string& reason,
                               const QoContextProperties& context);
PropertiesNode ClickProperties(const QoEventClick& event, const QoContextProperties& context);
PropertiesNode ViewProperties(const QoEventView& event, const QoContextProperties& context);
PropertiesNode CashierProperties(const QoEventCashier& event, const QoContextProperties& context);
PropertiesNode ShareProperties(const QoEventShare& event, const QoContextProperties& context);
PropertiesNode TaskProperties(const QoEventTask& event, const QoContextProperties& context);
PropertiesNode FileProperties(const QoEventFile& event, const QoContextProperties& context);
PropertiesNode OrderProperties(const QoEventOrder& event, const QoContextProperties& context);
PropertiesNode PaymentProperties(const QoEventPayment& event, const QoContextProperties& context);
PropertiesNode UninstallProperties(const std::string& reason, const QoContextProperties& context);
// trackCrash carries no context properties.
PropertiesNode CrashProperties(const std::string& reason);
PropertiesNode UpdateProperties(const QoEventUpdate& event, const QoContextProperties& context);
// Takes the record's address: a null one fails with "&appOpenNotification is nullptr".
PropertiesNode AppOpenNotificationProperties(const QoEventAppOpenNotification* event,
                                             const QoContextProperties& context);

}  // namespace usage::zelkor
