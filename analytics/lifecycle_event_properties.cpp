// Property sets of the application's life events: activity (installation), launch, login,
// uninstall, crash and update.
#include "analytics/event_properties.h"
#include "analytics/event_property_setters.h"

namespace usage::zelkor {

using namespace event_setters;

PropertiesNode ActivityProperties(const TrackerFacts& facts, const QoContextProperties& context) {
  // Here the context comes first and the tracker's own values override it.
  PropertiesNode p;
  ApplyContextProperties(context, QoEventKind::Activity, p);
  SetTextsIfSet(p, {{"qo_app_store", facts.appStore},
                    {"qo_app_id", facts.appName},
                    {"$app_id", facts.appName},
                    {"$app_version", facts.appVersion}});
  p.SetString("$ios_install_source", kInstallSourceText);
  SetTextIfSet(p, "$user_agent", facts.userAgent);
  p.SetBool("$is_first_time", true);
  p.SetString("$os", facts.osName);
  p.SetString("$os_version", facts.osVersion);
  return p;
}

PropertiesNode LaunchProperties(const QoContextProperties& context) {
  return Finish(PropertiesNode(), FirstTime::kLeaveOut, context, QoEventKind::Launch);
}

PropertiesNode LoginProperties(const QoUserInfo& user, bool success, const std::string& reason,
                               const QoContextProperties& context) {
  PropertiesNode p;
  SetTextsIfSet(p, {{"qo_user_id", user.userId}, {"qo_login_id", user.userId}});
  p.SetString("qo_type", toString(user.userType));
  p.SetString("qo_result", success ? "Success" : "Fail");
  SetTextIfSet(p, "qo_reason", reason);
  // An anonymous login is not a first-time event.
  const FirstTime firstTime = user.userId.empty() ? FirstTime::kLeaveOut : FirstTime::kAdd;
  return Finish(std::move(p), firstTime, context, QoEventKind::Login);
}

PropertiesNode UninstallProperties(const std::string& reason, const QoContextProperties& context) {
  PropertiesNode p;
  SetTextIfSet(p, "qo_uninstall_reason", reason);
  return Finish(std::move(p), FirstTime::kLeaveOut, context, QoEventKind::Uninstall);
}

PropertiesNode CrashProperties(const std::string& reason) {
  PropertiesNode p;
  SetTextIfSet(p, "app_crashed_reason", reason);
  return p;
}

namespace {

// The end of a download or upgrade must say how it ended and how long it took.
void SetUpdateOutcome(PropertiesNode& p, const QoEventUpdate& event, const std::string& resultText) {
  if (resultText.empty()) FailCheck("trackUpdate", "Unknown updateResultInfo info", __LINE__);
  p.SetString("qo_update_result", resultText);
  if (!event.elapsed) FailCheck("trackUpdate", "invalid elapsed info", __LINE__);
  p.SetNumber("qo_elapsed", *event.elapsed);
}

}  // namespace

PropertiesNode UpdateProperties(const QoEventUpdate& event, const QoContextProperties& context) {
  PropertiesNode p;
  p.SetString("qo_update_op", toString(event.op));
  const std::string resultText = event.result ? toString(*event.result) : std::string();
  FirstTime firstTime = FirstTime::kLeaveOut;
  switch (event.op) {
    case QoUpdateOp::UpdateCheck:
      p.SetString("qo_update_result", resultText);
      break;
    case QoUpdateOp::DownloadStart:
    case QoUpdateOp::UpgrateStart:
      break;
    case QoUpdateOp::UpgrateEnd:
      firstTime = FirstTime::kAdd;
      [[fallthrough]];
    case QoUpdateOp::DownloadEnd:
      SetUpdateOutcome(p, event, resultText);
      break;
  }
  return Finish(std::move(p), firstTime, context, QoEventKind::Update);
}

}  // namespace usage::zelkor
