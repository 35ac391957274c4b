// UsageTrackerImpl: the tracker's start-up (working folder, identity, SDK, super
// properties), its track operations over the event model, and its release, which sends or
// stages what is still queued.
#pragma once

#include <memory>

#include "analytics/tracker_context.h"
#include "analytics/usage_tracker.h"

namespace usage::zelkor {

struct ProfileMessage;

class UsageTrackerImpl : public UsageTracker {
 public:
  explicit UsageTrackerImpl(const TrackerSettings& settings);
  ~UsageTrackerImpl() override;

  // Runs once, from startTracker; throws QoException at the first step that fails.
  void init();

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
  std::string getPrimaryDistinctId() override { return context_->primaryDistinctId; }
  TrackLogger* getLogger() override { return logger_.get(); }

  const TrackerContext& Context() const { return *context_; }

 private:
  void CheckSettings() const;
  void ChooseWorkingFolder();
  void SettleIdentity();
  void StartSdk();
  void RegisterAppProperties();
  struct TrackerFacts Facts() const;
  void SendProfile(const std::vector<ProfileMessage>& messages);
  // Records one event and counts it ("count" steps) or sends the queue ("flush" steps).
  void Record(QoEventKind kind, const usage_analytics::PropertiesNode& properties, bool flushNow);

  std::string serverUrl_;
  std::string appName_, appVersion_, appStore_, dlAppId_, dlAppVersion_;
  std::unique_ptr<NativeTrackLogger> logger_;
  std::int32_t edition_;
  std::unique_ptr<TrackerContext> context_;
};

namespace tracker_detail {
// Platform: the primary screen's size in pixels; 0 where there is none.
void PrimaryScreenSize(int& width, int& height);
}  // namespace tracker_detail

}  // namespace usage::zelkor
