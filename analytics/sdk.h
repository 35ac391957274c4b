// The analytics SDK: one process-wide instance holding the identity and the super
// properties, which checks property sets and turns each event or profile change into one
// JSON record for its consumer (the record queue).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>

#include "analytics/object_node.h"

namespace usage_analytics {

class Consumer;

// Every operation but Init does nothing while no instance exists. Bad input is reported on
// standard error and dropped; nothing throws for it.
class Sdk {
 public:
  static constexpr const char* kLibName = "cpp";
  static constexpr const char* kLibVersion = "0.9";
  // The file inside the staging location that keeps unsent records between runs.
  static constexpr const char* kStagingFileName = "QOSRecords.txt";

  // Starts the process-wide instance: stagingLocation is the folder of the staging file
  // (UTF-8), serverUrl the collector URL. False when distinctId fails the id check; true,
  // without changes, when an instance already exists.
  static bool Init(const std::string& stagingLocation, const std::string& serverUrl, const std::string& distinctId,
                   bool isLoginId);
  static bool IsRunning();

  static void Track(const std::string& eventName, const PropertiesNode& properties);
  // The "QoEventActivity" event with "$ios_install_source" = "" under the properties.
  static void TrackInstallation(const PropertiesNode& properties);
  // Records "$SignUp" for the login id, then makes it the identity. An id that fails the id
  // check changes nothing.
  static void Login(const std::string& loginId);
  // Merges the set over the properties added to every track record; a set that fails the
  // property-set check is refused whole.
  static void RegisterSuperProperties(const PropertiesNode& properties);

  static void ProfileSet(const PropertiesNode& properties);
  static void ProfileSet(const std::string& key, const std::string& value);
  static void ProfileSet(const std::string& key, std::int64_t value);
  static void ProfileSet(const std::string& key, double value);
  static void ProfileSet(const std::string& key, const utils::ObjectNode::DateTime& value);
  static void ProfileSetOnce(const PropertiesNode& properties);
  static void ProfileSetOnce(const std::string& key, const std::string& value);
  static void ProfileSetOnce(const std::string& key, std::int64_t value);
  static void ProfileSetOnce(const std::string& key, double value);
  static void ProfileSetOnce(const std::string& key, const utils::ObjectNode::DateTime& value);
  static void ProfileIncrement(const PropertiesNode& properties);
  static void ProfileIncrement(const std::string& key, const std::string& value);
  static void ProfileIncrement(const std::string& key, std::int64_t value);
  static void ProfileIncrement(const std::string& key, double value);
  static void ProfileIncrement(const std::string& key, const utils::ObjectNode::DateTime& value);
  // A list holding the one text.
  static void ProfileAppend(const std::string& key, const std::string& value);

  // Checks, frames and queues one record of type ("track", "track_signup", "profile_set",
  // "profile_set_once", "profile_increment", "profile_append"); false when a check failed
  // or no instance exists.
  static bool AddEvent(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                       const std::string& distinctId, const std::string& originalId);

  // The consumer's send of everything queued; false when a batch failed or no instance
  // exists.
  static bool FlushAll();
  // Shuts the consumer down (it stages what is still queued) and ends the instance.
  static void Shutdown();

  ~Sdk();
  Sdk(const Sdk&) = delete;
  Sdk& operator=(const Sdk&) = delete;

 private:
  struct Snapshot;

  Sdk(const std::string& stagingFile, const std::string& serverUrl, const std::string& distinctId, bool isLoginId);

  static std::shared_ptr<Sdk> Current();
  Snapshot TakeSnapshot(bool withSuperProperties);
  std::string DistinctId();
  std::int64_t NewTrackId(std::int64_t nowMillis);
  void Identify(const std::string& distinctId);
  bool Record(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
              const std::string& distinctId, const std::string& originalId);
  void Profile(const std::string& type, const PropertiesNode& properties);

  // Guards the identity, the super properties and the random generator: records are made
  // on every tracking thread while Login may change the identity.
  std::mutex stateLock_;
  PropertiesNode superProperties_;
  std::string distinctId_;
  bool isLoginId_ = false;
  std::mt19937 random_;
  std::unique_ptr<Consumer> consumer_;
};

}  // namespace usage_analytics
