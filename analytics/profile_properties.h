// User-profile properties: the table that says how each supported profile key is sent (set
// once, increment, set, append), the checks of a value against its key's send kind, and the
// profile messages that the activity, launch and payment events are followed by.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analytics/event_properties.h"
#include "analytics/object_node.h"
#include "analytics/qo_events.h"

namespace usage::zelkor {

using DateTime = usage_analytics::utils::ObjectNode::DateTime;

enum class ProfileSendKind { SetOnce = 1, Increment = 2, Set = 3, Append = 4 };

// One profile message for the SDK: send `properties` with the profile operation of `kind`
// (ProfileSetOnce, ProfileIncrement, ProfileSet; for Append the set holds `key` with a list
// of the one text, as ProfileAppend sends it).
struct ProfileMessage {
  ProfileSendKind kind = ProfileSendKind::Set;
  std::string key;
  PropertiesNode properties;
};

// The send kind of a supported profile key; none for any other key.
std::optional<ProfileSendKind> FindProfileSendKind(const std::string& key);

// A value under its key's send kind from the table. A key not in the table fails with
// "Not supported user property [key]!"; a kind that does not fit the value's type fails too.
ProfileMessage ProfileUserPropertyString(const std::string& key, const std::string& value);
ProfileMessage ProfileUserPropertyNumber(const std::string& key, std::int64_t value);
ProfileMessage ProfileUserPropertyNumber(const std::string& key, double value);
ProfileMessage ProfileUserPropertyDateTime(const std::string& key, DateTime value);

// The same for a given send kind: what each value type allows (texts cannot be
// incremented, numbers and date-times cannot be appended, date-times cannot be incremented).
ProfileMessage MakeProfileMessage(ProfileSendKind kind, const std::string& key, const std::string& value);
ProfileMessage MakeProfileMessage(ProfileSendKind kind, const std::string& key, std::int64_t value);
ProfileMessage MakeProfileMessage(ProfileSendKind kind, const std::string& key, double value);
ProfileMessage MakeProfileMessage(ProfileSendKind kind, const std::string& key, DateTime value);

// Milliseconds since 1970-01-01 UTC as a date-time value.
DateTime DateTimeFromMillis(std::int64_t millis);

// After a launch of a logged-in user: "$first_visit_time", "qo_first_visit_date" and
// "qo_last_visit_date" = now.
std::vector<ProfileMessage> VisitDateProfile(DateTime now);
// After an activity: the visit dates, then the OS, store, platform, application and install
// source texts.
std::vector<ProfileMessage> DeviceProfile(const TrackerFacts& facts, DateTime now);
// After a payment: paid count +1, consumption + paidAmount, first and last paid date = now.
std::vector<ProfileMessage> PaymentProfile(const QoEventPayment& payment, DateTime now);

}  // namespace usage::zelkor
