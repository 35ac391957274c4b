// The installer's report routines over the tracker, with the A/B value attached when it
// has the right shape.
#include "analytics/installer_reports.h"

#include <memory>

#include "analytics/usage_tracker.h"
#include "startup/installer_config.h"
#include "utils/text.h"

namespace {

using namespace usage::zelkor;

std::string Utf8(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }

bool Enabled() { return g_InstallerConfig.IsEnableAppAnalytics; }

// The tracker a report goes to: none while analytics is off or no tracker runs.
std::shared_ptr<UsageTracker> ActiveTracker() { return Enabled() ? TrackerInstance() : nullptr; }

// The pairs' "AB" value travels as "qoc_ab" on events of the kind; a value of another shape
// is dropped without a word.
QoContextProperties AbContext(const ReportPairs& pairs, QoEventKind kind) {
  QoContextProperties context;
  const auto ab = pairs.find(L"AB");
  if (ab == pairs.end()) return context;
  const std::string value = Utf8(ab->second);
  try {
    if (QoContextProperties::isValidABValue(value)) context.setProperty(value, {kind});
  } catch (const std::exception&) {
    // isValidABValue rejects most shapes by throwing: the value is left out.
  }
  return context;
}

}  // namespace

TrackerSettings InstallerTrackerSettings() {
  const InstallerConfig& c = g_InstallerConfig;
  TrackerSettings s;
  s.appName = Utf8(c.AppName + c.DlAppNameSuffix);
  s.appVersion = Utf8(c.AppVersion);
  s.appStore = Utf8(c.ExeFileName);
  s.dlAppId = Utf8(c.AppName);
  s.dlAppVersion = Utf8(c.DlAppVersion);
  s.edition = 0;
  s.serverUrl = Utf8(c.AnalyticsUrl);
  return s;
}

void StartInstallerAnalytics() {
  if (Enabled()) startTracker(InstallerTrackerSettings());
}

void StopInstallerAnalytics() {
  if (Enabled()) releaseTracker();
}

void ReportTask(const ReportPairs& pairs, const std::wstring& name, float elapsedSeconds, const std::wstring& reason) {
  const std::shared_ptr<UsageTracker> tracker = ActiveTracker();
  if (!tracker) return;
  QoEventTask task;
  task.name = Utf8(name);
  task.reason = Utf8(reason);
  task.elapsed = std::make_shared<float>(elapsedSeconds);
  task.result = std::make_shared<QoResult>(QoResult::Success);
  tracker->trackTask(task, AbContext(pairs, QoEventKind::Task));
}

void ReportClick(const ReportPairs& pairs, const std::wstring& name) {
  const std::shared_ptr<UsageTracker> tracker = ActiveTracker();
  if (!tracker) return;
  QoEventClick click;
  click.name = Utf8(name);
  tracker->trackClick(click, AbContext(pairs, QoEventKind::Click));
}

void ReportView(const ReportPairs& pairs, const std::wstring& name) {
  const std::shared_ptr<UsageTracker> tracker = ActiveTracker();
  if (!tracker) return;
  QoEventView view;
  view.name = Utf8(name);
  tracker->trackView(view, AbContext(pairs, QoEventKind::View));
}

void ReportCrash() {
  if (const std::shared_ptr<UsageTracker> tracker = ActiveTracker()) tracker->trackCrash("崩溃");
}
