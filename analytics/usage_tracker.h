// The process-wide usage tracker: its settings, the interface callers see, the wrapper that
// absorbs every error of the implementation, and the start and release of the one instance.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "analytics/qo_context_properties.h"
#include "analytics/qo_events.h"
#include "analytics/track_logger.h"

namespace usage::zelkor {

// Texts in UTF-8.
struct TrackerSettings {
  std::string appName;
  std::string appVersion;
  std::string appStore;
  std::string dlAppId;
  std::string dlAppVersion;
  std::string logFilePath;  // "" picks the default
  std::int32_t edition = 0;  // QoEdition
  std::string serverUrl;    // "" picks the default collector
};

class UsageTracker {
 public:
  virtual ~UsageTracker() = default;
  virtual void trackActivity(const QoContextProperties& context) = 0;
  virtual void trackLaunch(const QoContextProperties& context) = 0;
  virtual void trackLogin(const QoUserInfo& user, bool success, const std::string& reason,
                          const QoContextProperties& context) = 0;
  virtual void trackClick(const QoEventClick& event, const QoContextProperties& context) = 0;
  virtual void trackView(const QoEventView& event, const QoContextProperties& context) = 0;
  virtual void trackCashier(const QoEventCashier& event, const QoContextProperties& context) = 0;
  virtual void trackShare(const QoEventShare& event, const QoContextProperties& context) = 0;
  virtual void trackTask(const QoEventTask& event, const QoContextProperties& context) = 0;
  virtual void trackFile(const QoEventFile& event, const QoContextProperties& context) = 0;
  virtual void trackOrder(const QoEventOrder& event, const QoContextProperties& context) = 0;
  virtual void trackPayment(const QoEventPayment& event, const QoContextProperties& context) = 0;
  virtual void trackUninstall(const std::string& reason, const QoContextProperties& context) = 0;
  virtual void trackCrash(const std::string& reason) = 0;
  virtual void trackUpdate(const QoEventUpdate& event, const QoContextProperties& context) = 0;
  virtual void trackAppOpenNotification(const QoEventAppOpenNotification& event,
                                        const QoContextProperties& context) = 0;
  virtual void setLocale(const std::string& locale) = 0;
  virtual std::string getPrimaryDistinctId() = 0;
  virtual TrackLogger* getLogger() = 0;
};

// Forwards to the implementation (which may be missing) and swallows whatever a track
// operation throws, with "Failed to <operation>" on standard output when the implementation
// has a logger.
class UsageTrackerWrapper : public UsageTracker {
 public:
  explicit UsageTrackerWrapper(std::unique_ptr<UsageTracker> impl) : impl_(std::move(impl)) {}

  void trackActivity(const QoContextProperties& context) override;
  void trackLaunch(const QoContextProperties& context) override;
  void trackLogin(const QoUserInfo& user, bool success, const std::string& reason,
                  const QoContextProperties& context) override;
  void trackClick(const QoEventClick& event, const QoContextProperties& context) override;
  void trackView(const QoEventView& event, const QoContextProperties& context) override;
  void trackCashier(const QoEventCashier& event, const QoContextProperties& context) override;
  void trackShare(const QoEventShare& event, const QoContextProperties& context) override;
  void trackTask(const QoEventTask& event, const QoContextProperties& context) override;
  void trackFile(const QoEventFile& event, const QoContextProperties& context) override;
  void trackOrder(const QoEventOrder& event, const QoContextProperties& context) override;
  void trackPayment(const QoEventPayment& event, const QoContextProperties& context) override;
  void trackUninstall(const std::string& reason, const QoContextProperties& context) override;
  void trackCrash(const std::string& reason) override;
  void trackUpdate(const QoEventUpdate& event, const QoContextProperties& context) override;
  void trackAppOpenNotification(const QoEventAppOpenNotification& event, const QoContextProperties& context) override;
  void setLocale(const std::string& locale) override;
  std::string getPrimaryDistinctId() override;
  TrackLogger* getLogger() override { return nullptr; }

 private:
  template <typename Call>
  void Guarded(const char* operation, Call&& call);

  std::unique_ptr<UsageTracker> impl_;
};

// The tracker of the process, or null before startTracker and after releaseTracker.
std::shared_ptr<UsageTracker> TrackerInstance();
// Makes the implementation, runs its start-up (an error there is swallowed: the tracker is
// installed anyway) and installs it behind a wrapper.
void startTracker(const TrackerSettings& settings);
// Releases the tracker: what is still queued is sent or staged for the next run.
void releaseTracker();

}  // namespace usage::zelkor
