// The tracker implementation: start-up in its steps, the track operations, and release.
#include "analytics/usage_tracker_impl.h"

#include <chrono>

#include "analytics/collector.h"
#include "analytics/device_info.h"
#include "analytics/event_properties.h"
#include "analytics/profile_properties.h"
#include "analytics/qo_exception.h"
#include "analytics/qo_types.h"
#include "analytics/sdk.h"
#include "analytics/send_scheduler.h"
#include "utils/folders.h"

namespace usage::zelkor {
namespace {

using usage_analytics::PropertiesNode;
using usage_analytics::Sdk;

constexpr int kReleaseFlushAttempts = 3;

[[noreturn]] void Fail(const std::string& message, const char* function, int line) {
  throw QoException(message, "UsageTrackerImpl", function, line);
}

std::string Separator() { return std::string(1, static_cast<char>(Utils::PathSeparator())); }

DateTime Now() {
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return DateTimeFromMillis(millis.count());
}

}  // namespace

UsageTrackerImpl::UsageTrackerImpl(const TrackerSettings& settings)
    : serverUrl_(settings.serverUrl),
      appName_(settings.appName),
      appVersion_(settings.appVersion),
      appStore_(settings.appStore),
      dlAppId_(settings.dlAppId),
      dlAppVersion_(settings.dlAppVersion),
      edition_(settings.edition),
      context_(std::make_unique<TrackerContext>()) {
  context_->reset(settings.logFilePath);
}

// Release: the state is kept, what is queued is sent (or staged by the SDK's shutdown for
// the next run), and no send step is left running on the records or the SDK.
UsageTrackerImpl::~UsageTrackerImpl() {
  (void)context_->save();  // a state that cannot be saved is made anew next time
  finishSendSteps();
  if (context_->pendingCount > 0) {
    for (int attempt = 0; attempt < kReleaseFlushAttempts; ++attempt) {
      if (Sdk::FlushAll()) break;
    }
    context_->pendingCount = 0;
  }
  Sdk::Shutdown();
  if (logger_) logger_->close();
}

void UsageTrackerImpl::init() {
  CheckSettings();
  context_->pendingCount = 0;
  ChooseWorkingFolder();
  if (serverUrl_.empty()) serverUrl_ = DefaultCollectorUrl();
  context_->load();
  SettleIdentity();
  if (context_->logFilePath.empty()) context_->logFilePath = context_->localDir + appName_ + "_QOSLog.txt";
  logger_ = std::make_unique<NativeTrackLogger>();
  logger_->open(context_->logFilePath);
  StartSdk();
  RegisterAppProperties();
  (void)context_->writeUninstallInfo(appStore_, appName_, appVersion_);  // only for the product's uninstaller
}

void UsageTrackerImpl::CheckSettings() const {
  if (appName_.empty()) Fail("appName is empty", "init", __LINE__);
  if (appVersion_.empty()) Fail("appVersion is empty", "init", __LINE__);
  if (appStore_.empty()) Fail("appStore is empty", "init", __LINE__);
}

// The folder named by Set.ini, or the tracker's own under the base folder, with the
// configuration file in it.
void UsageTrackerImpl::ChooseWorkingFolder() {
  const std::string sep = Separator();
  context_->configPath = readConfigPath();
  const std::string& config = context_->configPath;
  const std::size_t last = config.find_last_of("\\/");
  if (config.empty() || last == std::string::npos) {
    context_->localDir = baseFolder() + sep + "QOLocal" + sep;
    (void)ensureDirectory(context_->localDir);  // a folder that cannot be made shows as files that cannot be written
    context_->localDir += appName_ + sep;
    (void)ensureDirectory(context_->localDir);
    context_->configPath = context_->localDir + appName_ + "_QOSConfigure.ini";
  } else {
    context_->localDir = config.substr(0, last);
    (void)ensureDirectory(context_->localDir);
  }
}

// A stored identity belongs to one collector: another collector, or none stored, starts
// from the device id again.
void UsageTrackerImpl::SettleIdentity() {
  TrackerContext& c = *context_;
  if (c.savedUrl != serverUrl_ || c.distinctId.empty()) {
    c.userId.clear();
    c.isLoggedIn = false;
    if (c.primaryDistinctId.empty()) {
      c.distinctId = newDeviceId();
      c.primaryDistinctId = c.distinctId;
    } else {
      c.distinctId = c.primaryDistinctId;
    }
    c.savedUrl = serverUrl_;
    (void)c.save();  // made anew next time when it cannot be saved
  }
  if (c.userId.empty()) c.isLoggedIn = false;
}

void UsageTrackerImpl::StartSdk() {
  const TrackerContext& c = *context_;
  const bool ok = c.isLoggedIn ? Sdk::Init(c.localDir, serverUrl_, c.userId, true)
                               : Sdk::Init(c.localDir, serverUrl_, c.distinctId, false);
  if (!ok) Fail("usage_analytics::Sdk::Init is failed", "init", __LINE__);
}

void UsageTrackerImpl::RegisterAppProperties() {
  PropertiesNode p;
  p.SetString("qo_app_id", appName_);
  p.SetString("$app_version", appVersion_);
  p.SetString("$app_id", appName_);
  p.SetString("qo_app_store", appStore_);
  p.SetString("qo_edition", toString(static_cast<QoEdition>(edition_)));  // throws for an unknown edition
  if (!dlAppId_.empty()) p.SetString("qo_dlapp_id", dlAppId_);
  if (!dlAppVersion_.empty()) p.SetString("qo_dlapp_version", dlAppVersion_);
  p.SetString("qo_app_platform", "Windows");
  p.SetString("qo_track_type", "Client");
  p.SetString("qo_sdk_version", "3.3.8");
  p.SetString("qo_sdk", "WindowsCPP");
  std::string osName, osVersion;
  osTexts(osName, osVersion);
  p.SetString("$os", osName);
  p.SetString("$os_version", osVersion);
  const LocaleTexts locale = trackerLocaleTexts(context_->locale);
  p.SetString("qo_l10n_locale", locale.locale);
  p.SetString("qo_l10n_language", locale.language);
  p.SetString("qo_l10n_country", locale.country);
  int width = 0, height = 0;
  tracker_detail::PrimaryScreenSize(width, height);
  p.SetInt("$screen_height", height);
  p.SetInt("$screen_width", width);
  if (!context_->userId.empty()) p.SetString("qo_user_id", context_->userId);
  Sdk::RegisterSuperProperties(p);
}

TrackerFacts UsageTrackerImpl::Facts() const {
  TrackerFacts facts{appName_, appVersion_, appStore_, userAgent(), "", ""};
  osTexts(facts.osName, facts.osVersion);
  return facts;
}

void UsageTrackerImpl::SendProfile(const std::vector<ProfileMessage>& messages) {
  for (const ProfileMessage& m : messages) {
    switch (m.kind) {
      case ProfileSendKind::SetOnce: Sdk::ProfileSetOnce(m.properties); break;
      case ProfileSendKind::Increment: Sdk::ProfileIncrement(m.properties); break;
      case ProfileSendKind::Set: Sdk::ProfileSet(m.properties); break;
      case ProfileSendKind::Append: {
        const auto* value = m.properties.Find(m.key);
        if (value != nullptr && !value->list.empty()) Sdk::ProfileAppend(m.key, value->list.front());
        break;
      }
    }
  }
  context_->pendingCount += static_cast<std::int32_t>(messages.size());
}

// Every recorded event waits in the queue until a send, so every one counts; a flush with
// nothing counted would leave a crash or an uninstall report in the queue of a process that
// is about to end.
void UsageTrackerImpl::Record(QoEventKind kind, const PropertiesNode& properties, bool flushNow) {
  Sdk::Track(eventName(kind), properties);
  ++context_->pendingCount;
  scheduleSend(flushNow, context_->pendingCount);
}

void UsageTrackerImpl::trackActivity(const QoContextProperties& context) {
  const TrackerFacts facts = Facts();
  Sdk::TrackInstallation(ActivityProperties(facts, context));
  ++context_->pendingCount;
  SendProfile(DeviceProfile(facts, Now()));
  scheduleSend(true, context_->pendingCount);
}

void UsageTrackerImpl::trackLaunch(const QoContextProperties& context) {
  Sdk::Track(eventName(QoEventKind::Launch), LaunchProperties(context));
  ++context_->pendingCount;
  if (!context_->userId.empty()) SendProfile(VisitDateProfile(Now()));
  scheduleSend(true, context_->pendingCount);
}

void UsageTrackerImpl::trackLogin(const QoUserInfo& user, bool success, const std::string& reason,
                                  const QoContextProperties& context) {
  Sdk::Track(eventName(QoEventKind::Login), LoginProperties(user, success, reason, context));
  ++context_->pendingCount;
  if (!user.userId.empty()) {
    TrackerContext& c = *context_;
    c.userVipLevel = user.vipLevel;
    if (!c.isLoggedIn || c.userId.empty()) {
      Sdk::Login(user.userId);
      c.isLoggedIn = true;
      c.userId = c.distinctId = user.userId;
      PropertiesNode p;
      p.SetString("qo_user_id", c.userId);
      Sdk::RegisterSuperProperties(p);
    }
    (void)c.save();  // made anew next time when it cannot be saved
  }
  scheduleSend(true, context_->pendingCount);
}

void UsageTrackerImpl::trackClick(const QoEventClick& e, const QoContextProperties& c) {
  Record(QoEventKind::Click, ClickProperties(e, c), false);
}
void UsageTrackerImpl::trackView(const QoEventView& e, const QoContextProperties& c) {
  Record(QoEventKind::View, ViewProperties(e, c), false);
}
void UsageTrackerImpl::trackCashier(const QoEventCashier& e, const QoContextProperties& c) {
  Record(QoEventKind::Cashier, CashierProperties(e, c), false);
}
void UsageTrackerImpl::trackShare(const QoEventShare& e, const QoContextProperties& c) {
  Record(QoEventKind::Share, ShareProperties(e, c), false);
}
void UsageTrackerImpl::trackTask(const QoEventTask& e, const QoContextProperties& c) {
  Record(QoEventKind::Task, TaskProperties(e, c), false);
}
void UsageTrackerImpl::trackFile(const QoEventFile& e, const QoContextProperties& c) {
  Record(QoEventKind::File, FileProperties(e, c), false);
}
void UsageTrackerImpl::trackOrder(const QoEventOrder& e, const QoContextProperties& c) {
  Record(QoEventKind::Order, OrderProperties(e, c), false);
}

void UsageTrackerImpl::trackPayment(const QoEventPayment& e, const QoContextProperties& c) {
  Sdk::Track(eventName(QoEventKind::Payment), PaymentProperties(e, c));
  ++context_->pendingCount;
  SendProfile(PaymentProfile(e, Now()));
  if (e.result && *e.result == QoResult::Success) {
    context_->userVipLevel = 1;
    (void)context_->save();  // made anew next time when it cannot be saved
  }
  scheduleSend(true, context_->pendingCount);
}

void UsageTrackerImpl::trackUninstall(const std::string& reason, const QoContextProperties& c) {
  Record(QoEventKind::Uninstall, UninstallProperties(reason, c), true);
}
// Sent on the caller's thread: after a crash the process ends as soon as the report returns.
void UsageTrackerImpl::trackCrash(const std::string& reason) {
  Sdk::Track(eventName(QoEventKind::Crashed), CrashProperties(reason));
  ++context_->pendingCount;
  scheduleSend(true, context_->pendingCount, true);
}
void UsageTrackerImpl::trackUpdate(const QoEventUpdate& e, const QoContextProperties& c) {
  Record(QoEventKind::Update, UpdateProperties(e, c), true);
}
void UsageTrackerImpl::trackAppOpenNotification(const QoEventAppOpenNotification& e, const QoContextProperties& c) {
  Record(QoEventKind::AppOpenNotification, AppOpenNotificationProperties(&e, c), false);
}

void UsageTrackerImpl::setLocale(const std::string& locale) {
  context_->locale = locale;
  const LocaleTexts texts = trackerLocaleTexts(locale);
  PropertiesNode p;
  p.SetString("qo_l10n_locale", texts.locale);
  p.SetString("qo_l10n_language", texts.language);
  p.SetString("qo_l10n_country", texts.country);
  Sdk::RegisterSuperProperties(p);  // nothing without an SDK
}

}  // namespace usage::zelkor
