// The profile-property table and the profile messages built from it.
#include "analytics/profile_properties.h"

#include <unordered_map>

#include "analytics/qo_exception.h"

namespace usage::zelkor {
namespace {

using Kind = ProfileSendKind;

const std::unordered_map<std::string, Kind>& ProfileTable() {
  static const std::unordered_map<std::string, Kind> table = {
      {"$first_visit_time", Kind::SetOnce}, {"qo_first_visit_date", Kind::SetOnce},
      {"$ios_install_source", Kind::SetOnce}, {"qo_first_paid_date", Kind::SetOnce},
      {"qo_visit_count", Kind::Increment}, {"qo_paid_count", Kind::Increment},
      {"qo_consumption", Kind::Increment}, {"qo_label", Kind::Set}, {"qo_os", Kind::Set},
      {"qo_os_version", Kind::Set}, {"qo_manufacturer", Kind::Set}, {"qo_model", Kind::Set},
      {"qo_app_store", Kind::Set}, {"qo_app_platform", Kind::Set}, {"qo_last_app_id", Kind::Set},
      {"qo_last_app_version", Kind::Set}, {"qo_carrier", Kind::Set}, {"qo_last_visit_date", Kind::Set},
      {"aurora_pushid", Kind::Set}, {"qo_user_id", Kind::Set}, {"qo_user_name", Kind::Set},
      {"qo_user_type", Kind::Set}, {"qo_user_nickname", Kind::Set}, {"qo_user_portrait", Kind::Set},
      {"qo_user_mobilephone", Kind::Set}, {"qo_user_email", Kind::Set}, {"qo_user_weixin", Kind::Set},
      {"qo_user_qq", Kind::Set}, {"qo_user_did", Kind::Set}, {"qo_user_created", Kind::Set},
      {"qo_user_last_login", Kind::Set}, {"qo_user_last_ip", Kind::Set}, {"qo_user_vip_level", Kind::Set},
      {"qo_user_vip_enddate", Kind::Set}, {"idfa", Kind::Set}, {"imei", Kind::Set},
      {"android_id", Kind::Set}, {"oaid", Kind::Set}, {"qo_ip", Kind::Set},
      {"qo_country_code", Kind::Set}, {"qo_country", Kind::Set}, {"qo_province", Kind::Set},
      {"qo_city", Kind::Set}, {"qo_last_paid_date", Kind::Set},
  };
  return table;
}

// Which send kinds a value type refuses, and with what words after "user property [key] ".
struct TypeRules {
  const char* operation;
  const char* incrementRefusal;  // null: increments are allowed
  const char* appendRefusal;     // null: appends are allowed
};

constexpr TypeRules kTextRules{"ProfileUserPropertyString", "is string type value, it cannot be accumulated!",
                               nullptr};
constexpr TypeRules kNumberRules{"ProfileUserPropertyNumber", nullptr,
                                 "is number value, it cannot be append to list!"};
constexpr TypeRules kDateTimeRules{"ProfileUserPropertyDateTime", "is date time value, it cannot be accumulated!",
                                   "is date time value, it cannot be append to list!"};

void CheckKindFits(const TypeRules& rules, Kind kind, const std::string& key) {
  const char* refusal = kind == Kind::Increment ? rules.incrementRefusal
                        : kind == Kind::Append  ? rules.appendRefusal
                                                : nullptr;
  if (refusal != nullptr) {
    throw QoException("user property [" + key + "] " + refusal, kUserTrackerUnit, rules.operation, __LINE__);
  }
}

Kind SendKindOf(const TypeRules& rules, const std::string& key) {
  const std::optional<Kind> kind = FindProfileSendKind(key);
  if (!kind) throw QoException("Not supported user property [" + key + "]!", kUserTrackerUnit, rules.operation, __LINE__);
  return *kind;
}

ProfileMessage EmptyMessage(const TypeRules& rules, Kind kind, const std::string& key) {
  CheckKindFits(rules, kind, key);
  return ProfileMessage{kind, key, {}};
}

}  // namespace

std::optional<ProfileSendKind> FindProfileSendKind(const std::string& key) {
  const auto& table = ProfileTable();
  const auto found = table.find(key);
  if (found == table.end()) return std::nullopt;
  return found->second;
}

ProfileMessage MakeProfileMessage(Kind kind, const std::string& key, const std::string& value) {
  ProfileMessage message = EmptyMessage(kTextRules, kind, key);
  if (kind == Kind::Append) message.properties.SetList(key, {value});
  else message.properties.SetString(key, value);
  return message;
}

ProfileMessage MakeProfileMessage(Kind kind, const std::string& key, std::int64_t value) {
  ProfileMessage message = EmptyMessage(kNumberRules, kind, key);
  message.properties.SetInt(key, value);
  return message;
}

ProfileMessage MakeProfileMessage(Kind kind, const std::string& key, double value) {
  ProfileMessage message = EmptyMessage(kNumberRules, kind, key);
  message.properties.SetNumber(key, value);
  return message;
}

ProfileMessage MakeProfileMessage(Kind kind, const std::string& key, DateTime value) {
  ProfileMessage message = EmptyMessage(kDateTimeRules, kind, key);
  message.properties.SetDateTime(key, value.seconds, value.millis);
  return message;
}

ProfileMessage ProfileUserPropertyString(const std::string& key, const std::string& value) {
  return MakeProfileMessage(SendKindOf(kTextRules, key), key, value);
}

ProfileMessage ProfileUserPropertyNumber(const std::string& key, std::int64_t value) {
  return MakeProfileMessage(SendKindOf(kNumberRules, key), key, value);
}

ProfileMessage ProfileUserPropertyNumber(const std::string& key, double value) {
  return MakeProfileMessage(SendKindOf(kNumberRules, key), key, value);
}

ProfileMessage ProfileUserPropertyDateTime(const std::string& key, DateTime value) {
  return MakeProfileMessage(SendKindOf(kDateTimeRules, key), key, value);
}

DateTime DateTimeFromMillis(std::int64_t millis) {
  // Floor division, so that a moment before 1970 keeps its milliseconds in 0..999.
  std::int64_t seconds = millis / 1000;
  std::int64_t rest = millis % 1000;
  if (rest < 0) {
    rest += 1000;
    seconds -= 1;
  }
  return DateTime{seconds, static_cast<int>(rest)};
}

std::vector<ProfileMessage> VisitDateProfile(DateTime now) {
  std::vector<ProfileMessage> messages;
  for (const char* key : {"$first_visit_time", "qo_first_visit_date", "qo_last_visit_date"}) {
    messages.push_back(ProfileUserPropertyDateTime(key, now));
  }
  return messages;
}

std::vector<ProfileMessage> DeviceProfile(const TrackerFacts& facts, DateTime now) {
  std::vector<ProfileMessage> messages = VisitDateProfile(now);
  const std::pair<const char*, std::string> texts[] = {
      {"qo_os", facts.osName},
      {"qo_os_version", facts.osVersion},
      {"qo_app_store", facts.appStore},
      {"qo_app_platform", "Windows"},
      {"qo_last_app_id", facts.appName},
      {"qo_last_app_version", facts.appVersion},
      {"$ios_install_source", kInstallSourceText},
  };
  for (const auto& [key, value] : texts) messages.push_back(ProfileUserPropertyString(key, value));
  return messages;
}

std::vector<ProfileMessage> PaymentProfile(const QoEventPayment& payment, DateTime now) {
  std::vector<ProfileMessage> messages;
  messages.push_back(ProfileUserPropertyNumber("qo_paid_count", std::int64_t{1}));
  messages.push_back(ProfileUserPropertyNumber("qo_consumption", static_cast<double>(payment.paidAmount)));
  messages.push_back(ProfileUserPropertyDateTime("qo_first_paid_date", now));
  messages.push_back(ProfileUserPropertyDateTime("qo_last_paid_date", now));
  return messages;
}

}  // namespace usage::zelkor
