// The wrapper's forwarding, and the one tracker instance of the process.
#include "analytics/usage_tracker.h"

#include <cstdio>
#include <mutex>

#include "analytics/usage_tracker_impl.h"

namespace usage::zelkor {
namespace {

// The tracker is set and reset on the main thread; other threads copy it while it is set.
// The slot is never destroyed: a tracker that is not released (analytics switched off on
// the command line after the start) stays untouched to the end of the process, instead of
// being torn down among the other statics, after the HTTP library's clean-up and in no set
// order with the SDK's state.
struct InstanceSlot {
  std::mutex lock;
  std::shared_ptr<UsageTracker> tracker;
};

InstanceSlot& Slot() {
  static InstanceSlot* const slot = new InstanceSlot;
  return *slot;
}

}  // namespace

template <typename Call>
void UsageTrackerWrapper::Guarded(const char* operation, Call&& call) {
  if (!impl_) return;
  try {
    call();
  } catch (...) {
    // Nothing reaches the caller; the line is the only trace of the failure.
    if (impl_->getLogger() != nullptr) std::printf("Failed to %s\n", operation);
  }
}

void UsageTrackerWrapper::trackActivity(const QoContextProperties& c) {
  Guarded("trackActivity", [&] { impl_->trackActivity(c); });
}
void UsageTrackerWrapper::trackLaunch(const QoContextProperties& c) {
  Guarded("trackLaunch", [&] { impl_->trackLaunch(c); });
}
void UsageTrackerWrapper::trackLogin(const QoUserInfo& user, bool success, const std::string& reason,
                                     const QoContextProperties& c) {
  Guarded("trackLogin", [&] { impl_->trackLogin(user, success, reason, c); });
}
void UsageTrackerWrapper::trackClick(const QoEventClick& e, const QoContextProperties& c) {
  Guarded("trackClick", [&] { impl_->trackClick(e, c); });
}
void UsageTrackerWrapper::trackView(const QoEventView& e, const QoContextProperties& c) {
  Guarded("trackView", [&] { impl_->trackView(e, c); });
}
void UsageTrackerWrapper::trackCashier(const QoEventCashier& e, const QoContextProperties& c) {
  Guarded("trackCashier", [&] { impl_->trackCashier(e, c); });
}
void UsageTrackerWrapper::trackShare(const QoEventShare& e, const QoContextProperties& c) {
  Guarded("trackShare", [&] { impl_->trackShare(e, c); });
}
void UsageTrackerWrapper::trackTask(const QoEventTask& e, const QoContextProperties& c) {
  Guarded("trackTask", [&] { impl_->trackTask(e, c); });
}
void UsageTrackerWrapper::trackFile(const QoEventFile& e, const QoContextProperties& c) {
  Guarded("trackFile", [&] { impl_->trackFile(e, c); });
}
void UsageTrackerWrapper::trackOrder(const QoEventOrder& e, const QoContextProperties& c) {
  Guarded("trackOrder", [&] { impl_->trackOrder(e, c); });
}
void UsageTrackerWrapper::trackPayment(const QoEventPayment& e, const QoContextProperties& c) {
  Guarded("trackPayment", [&] { impl_->trackPayment(e, c); });
}
void UsageTrackerWrapper::trackUninstall(const std::string& reason, const QoContextProperties& c) {
  Guarded("trackUninstall", [&] { impl_->trackUninstall(reason, c); });
}
void UsageTrackerWrapper::trackCrash(const std::string& reason) {
  Guarded("trackCrash", [&] { impl_->trackCrash(reason); });
}
void UsageTrackerWrapper::trackUpdate(const QoEventUpdate& e, const QoContextProperties& c) {
  Guarded("trackUpdate", [&] { impl_->trackUpdate(e, c); });
}
void UsageTrackerWrapper::trackAppOpenNotification(const QoEventAppOpenNotification& e,
                                                   const QoContextProperties& c) {
  Guarded("trackAppOpenNotification", [&] { impl_->trackAppOpenNotification(e, c); });
}

void UsageTrackerWrapper::setLocale(const std::string& locale) {
  if (impl_) impl_->setLocale(locale);
}

std::string UsageTrackerWrapper::getPrimaryDistinctId() { return impl_ ? impl_->getPrimaryDistinctId() : ""; }

std::shared_ptr<UsageTracker> TrackerInstance() {
  std::lock_guard<std::mutex> hold(Slot().lock);
  return Slot().tracker;
}

void startTracker(const TrackerSettings& settings) {
  auto impl = std::make_unique<UsageTrackerImpl>(settings);
  try {
    impl->init();
  } catch (...) {
    // A tracker whose start failed is installed all the same: it swallows what it gets.
  }
  auto tracker = std::make_shared<UsageTrackerWrapper>(std::move(impl));
  std::shared_ptr<UsageTracker> previous;
  {
    std::lock_guard<std::mutex> hold(Slot().lock);
    previous = std::move(Slot().tracker);
    Slot().tracker = std::move(tracker);
  }
  // previous goes here, outside the lock: its release sends what it holds.
}

void releaseTracker() {
  std::shared_ptr<UsageTracker> released;
  {
    std::lock_guard<std::mutex> hold(Slot().lock);
    released = std::move(Slot().tracker);
  }
  // The last reference: the implementation's destructor sends or stages its records.
}

}  // namespace usage::zelkor
