// The analytics SDK: the process-wide instance, its operations, and the making of records.
#include "analytics/sdk.h"

#include <chrono>
#include <ctime>
#include <utility>

#include "analytics/property_checks.h"
#include "analytics/record_queue.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace usage_analytics {
namespace {

std::mutex instanceLock;
std::shared_ptr<Sdk> instance;

std::int64_t NowMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The staging file inside the staging folder; "" (nothing staged) when there is no folder.
std::string StagingFileIn(const std::string& location) {
  const std::wstring folder = Utils::ToWide(location, Utils::kCodePageUtf8);
  if (folder.empty()) return {};
  return Utils::ToNarrow(Utils::JoinPath(folder, Utils::ToWide(Sdk::kStagingFileName, Utils::kCodePageUtf8)),
                         Utils::kCodePageUtf8);
}

PropertiesNode LibProperties() {
  PropertiesNode lib;
  lib.SetString("$lib", Sdk::kLibName);
  lib.SetString("$lib_version", Sdk::kLibVersion);
  return lib;
}

utils::ObjectNode LibObject() {
  utils::ObjectNode lib;
  lib.SetString("$lib", Sdk::kLibName);
  lib.SetString("$lib_method", "code");
  lib.SetString("$lib_version", Sdk::kLibVersion);
  return lib;
}

// A set of one key, for the profile operations that take a key and a value.
PropertiesNode One(const std::string& key, const std::string& value) {
  PropertiesNode set;
  set.SetString(key, value);
  return set;
}

PropertiesNode One(const std::string& key, std::int64_t value) {
  PropertiesNode set;
  set.SetInt(key, value);
  return set;
}

PropertiesNode One(const std::string& key, double value) {
  PropertiesNode set;
  set.SetNumber(key, value);
  return set;
}

PropertiesNode One(const std::string& key, const utils::ObjectNode::DateTime& value) {
  PropertiesNode set;
  set.SetDateTime(key, value.seconds, value.millis);
  return set;
}

// The record's time from "$time" (taken out of the properties), else now.
std::int64_t TakeTime(PropertiesNode& all, std::int64_t nowMillis) {
  const utils::ObjectNode::Value* time = all.Find("$time");
  if (time == nullptr) return nowMillis;
  std::int64_t millis = nowMillis;
  // The property-set check has made sure it converts; a failure keeps the current time.
  static_cast<void>(MillisSinceEpoch(time->dateTime.seconds, time->dateTime.millis, millis));
  all.Remove("$time");
  return millis;
}

// The project from "$project" (taken out of the properties), else "".
std::string TakeProject(PropertiesNode& all) {
  const utils::ObjectNode::Value* project = all.Find("$project");
  if (project == nullptr) return {};
  std::string text = project->text;
  all.Remove("$project");
  return text;
}

}  // namespace

struct Sdk::Snapshot {
  PropertiesNode superProperties;
  bool isLoginId = false;
};

Sdk::Sdk(const std::string& stagingFile, const std::string& serverUrl, const std::string& distinctId, bool isLoginId)
    : distinctId_(distinctId),
      isLoginId_(isLoginId),
      random_(static_cast<std::mt19937::result_type>(std::time(nullptr))),
      consumer_(std::make_unique<Consumer>(serverUrl, stagingFile)) {
  superProperties_ = LibProperties();
}

Sdk::~Sdk() = default;

std::shared_ptr<Sdk> Sdk::Current() {
  std::lock_guard<std::mutex> lock(instanceLock);
  return instance;
}

bool Sdk::Init(const std::string& stagingLocation, const std::string& serverUrl, const std::string& distinctId,
               bool isLoginId) {
  if (!CheckId("Distinct ID", distinctId)) return false;
  std::lock_guard<std::mutex> lock(instanceLock);
  if (instance) return true;
  instance.reset(new Sdk(StagingFileIn(stagingLocation), serverUrl, distinctId, isLoginId));
  return true;
}

bool Sdk::IsRunning() { return Current() != nullptr; }

void Sdk::Shutdown() {
  std::shared_ptr<Sdk> ending;
  {
    std::lock_guard<std::mutex> lock(instanceLock);
    ending.swap(instance);
  }
  if (ending) ending->consumer_->Shutdown();
}

bool Sdk::FlushAll() {
  const std::shared_ptr<Sdk> sdk = Current();
  return sdk && sdk->consumer_->FlushAll();
}

bool Sdk::AddEvent(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                   const std::string& distinctId, const std::string& originalId) {
  const std::shared_ptr<Sdk> sdk = Current();
  return sdk && sdk->Record(type, eventName, properties, distinctId, originalId);
}

void Sdk::Track(const std::string& eventName, const PropertiesNode& properties) {
  if (const std::shared_ptr<Sdk> sdk = Current()) {
    // The outcome is reported on standard error; the caller has nothing to do with it.
    static_cast<void>(sdk->Record("track", eventName, properties, sdk->DistinctId(), ""));
  }
}

void Sdk::TrackInstallation(const PropertiesNode& properties) {
  PropertiesNode set;
  set.SetString("$ios_install_source", "");
  set.Merge(properties);
  Track("QoEventActivity", set);
}

void Sdk::Login(const std::string& loginId) {
  const std::shared_ptr<Sdk> sdk = Current();
  if (!sdk || !CheckId("Login ID", loginId)) return;
  // The identity changes whether or not the sign-up record was accepted.
  static_cast<void>(sdk->Record("track_signup", "$SignUp", PropertiesNode(), loginId, sdk->DistinctId()));
  sdk->Identify(loginId);
}

void Sdk::RegisterSuperProperties(const PropertiesNode& properties) {
  const std::shared_ptr<Sdk> sdk = Current();
  if (!sdk || !CheckPropertySet(properties)) return;
  std::lock_guard<std::mutex> lock(sdk->stateLock_);
  sdk->superProperties_.Merge(properties);
}

void Sdk::ProfileSet(const PropertiesNode& properties) {
  if (const std::shared_ptr<Sdk> sdk = Current()) sdk->Profile("profile_set", properties);
}
void Sdk::ProfileSet(const std::string& key, const std::string& value) { ProfileSet(One(key, value)); }
void Sdk::ProfileSet(const std::string& key, std::int64_t value) { ProfileSet(One(key, value)); }
void Sdk::ProfileSet(const std::string& key, double value) { ProfileSet(One(key, value)); }
void Sdk::ProfileSet(const std::string& key, const utils::ObjectNode::DateTime& value) {
  ProfileSet(One(key, value));
}

void Sdk::ProfileSetOnce(const PropertiesNode& properties) {
  if (const std::shared_ptr<Sdk> sdk = Current()) sdk->Profile("profile_set_once", properties);
}
void Sdk::ProfileSetOnce(const std::string& key, const std::string& value) { ProfileSetOnce(One(key, value)); }
void Sdk::ProfileSetOnce(const std::string& key, std::int64_t value) { ProfileSetOnce(One(key, value)); }
void Sdk::ProfileSetOnce(const std::string& key, double value) { ProfileSetOnce(One(key, value)); }
void Sdk::ProfileSetOnce(const std::string& key, const utils::ObjectNode::DateTime& value) {
  ProfileSetOnce(One(key, value));
}

void Sdk::ProfileIncrement(const PropertiesNode& properties) {
  if (const std::shared_ptr<Sdk> sdk = Current()) sdk->Profile("profile_increment", properties);
}
void Sdk::ProfileIncrement(const std::string& key, const std::string& value) { ProfileIncrement(One(key, value)); }
void Sdk::ProfileIncrement(const std::string& key, std::int64_t value) { ProfileIncrement(One(key, value)); }
void Sdk::ProfileIncrement(const std::string& key, double value) { ProfileIncrement(One(key, value)); }
void Sdk::ProfileIncrement(const std::string& key, const utils::ObjectNode::DateTime& value) {
  ProfileIncrement(One(key, value));
}

void Sdk::ProfileAppend(const std::string& key, const std::string& value) {
  PropertiesNode set;
  set.SetList(key, {value});
  if (const std::shared_ptr<Sdk> sdk = Current()) sdk->Profile("profile_append", set);
}

void Sdk::Profile(const std::string& type, const PropertiesNode& properties) {
  // The outcome is reported on standard error; the caller has nothing to do with it.
  static_cast<void>(Record(type, "", properties, DistinctId(), ""));
}

Sdk::Snapshot Sdk::TakeSnapshot(bool withSuperProperties) {
  std::lock_guard<std::mutex> lock(stateLock_);
  Snapshot snapshot;
  if (withSuperProperties) snapshot.superProperties = superProperties_;
  snapshot.isLoginId = isLoginId_;
  return snapshot;
}

std::string Sdk::DistinctId() {
  std::lock_guard<std::mutex> lock(stateLock_);
  return distinctId_;
}

void Sdk::Identify(const std::string& distinctId) {
  std::lock_guard<std::mutex> lock(stateLock_);
  distinctId_ = distinctId;
  isLoginId_ = true;
}

// Two digits of one draw, three of another and the last four of the clock's milliseconds,
// read as one decimal number.
std::int64_t Sdk::NewTrackId(std::int64_t nowMillis) {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    first = random_();
    second = random_();
  }
  const std::int64_t twoDigits = (first % 99 + 100) % 100;
  const std::int64_t threeDigits = (second % 999 + 1000) % 1000;
  const std::int64_t fourDigits = nowMillis % 10000;
  return twoDigits * 10000000 + threeDigits * 10000 + fourDigits;
}

bool Sdk::Record(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                 const std::string& distinctId, const std::string& originalId) {
  if (!CheckPropertySet(properties)) return false;
  // A sign-up's event name goes into the record as well, so it is checked like any other.
  if ((type == "track" || type == "track_signup") && !CheckName("Event Name", eventName)) return false;
  if (type == "track_signup" && !CheckId("Original ID", originalId)) return false;
  if (!CheckId("Distinct ID", distinctId)) return false;

  const bool isTrack = type.find("track") != std::string::npos;
  Snapshot snapshot = TakeSnapshot(isTrack);
  PropertiesNode all = std::move(snapshot.superProperties);
  all.Merge(properties);
  const std::int64_t nowMillis = NowMillis();
  const std::int64_t time = TakeTime(all, nowMillis);
  const std::string project = TakeProject(all);
  if (snapshot.isLoginId) all.SetBool("$is_login_id", true);

  utils::ObjectNode record;
  record.SetString("type", type);
  record.SetInt("time", time);
  record.SetString("distinct_id", distinctId);
  record.SetObject("properties", all);
  record.SetObject("lib", LibObject());
  record.SetInt("_track_id", NewTrackId(nowMillis));
  if (!project.empty()) record.SetString("project", project);
  if (type == "track" || type == "track_signup") record.SetString("event", eventName);
  if (type == "track_signup") record.SetString("original_id", originalId);
  consumer_->Add(record.ToJson());
  return true;
}

}  // namespace usage_analytics
