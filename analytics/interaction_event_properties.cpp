// Property sets of the interaction events: clicks, views, cashier, shares, tasks, files and
// opened notifications.
#include "analytics/event_properties.h"
#include "analytics/event_property_setters.h"

namespace usage::zelkor {

using namespace event_setters;

PropertiesNode ClickProperties(const QoEventClick& event, const QoContextProperties& context) {
  if (event.name.empty()) FailCheck("trackClick", "qoEventClick.name is empty", __LINE__);
  PropertiesNode p;
  p.SetString("qo_name", event.name);
  p.SetString("qo_click_type", toString(event.clickType));
  SetTextsIfSet(p, {{"qo_aname", event.aname},
                    {"qo_title", event.title},
                    {"qo_position", event.position},
                    {"qo_module", event.module},
                    {"qo_tab_name", event.tabName}});
  SetIntIfSet(p, "qo_tab_index", event.tabIndex);
  SetTextIfSet(p, "qo_banner_name", event.bannerName);
  SetIntIfSet(p, "qo_banner_index", event.bannerIndex);
  return Finish(std::move(p), FirstTime::kAdd, context, QoEventKind::Click);
}

PropertiesNode ViewProperties(const QoEventView& event, const QoContextProperties& context) {
  if (event.name.empty()) FailCheck("trackView", "qoEventView.name is empty", __LINE__);
  PropertiesNode p;
  p.SetString("qo_name", event.name);
  SetTextsIfSet(p, {{"qo_aname", event.aname}, {"qo_title", event.title}, {"qo_position", event.position}});
  return Finish(std::move(p), FirstTime::kAdd, context, QoEventKind::View);
}

PropertiesNode CashierProperties(const QoEventCashier& event, const QoContextProperties& context) {
  if (event.qo_cashier_name.empty()) {
    FailCheck("trackCashier", "qoEventCashier.qo_cashier_name is empty", __LINE__);
  }
  PropertiesNode p;
  p.SetString("qo_cashier_name", event.qo_cashier_name);
  SetTextsIfSet(p, {{"qo_cashier_title", event.qo_cashier_title}, {"qo_subitem", event.qo_subitem}});
  return Finish(std::move(p), FirstTime::kAdd, context, QoEventKind::Cashier);
}

PropertiesNode ShareProperties(const QoEventShare& event, const QoContextProperties& context) {
  PropertiesNode p;
  SetTextsIfSet(p, {{"qo_aname", event.aname},
                    {"qo_channel", event.channel},
                    {"qo_position", event.position},
                    {"qo_shared_name", event.sharedName}});
  if (event.result) p.SetString("qo_result", toString(*event.result));
  return Finish(std::move(p), FirstTime::kAdd, context, QoEventKind::Share);
}

PropertiesNode TaskProperties(const QoEventTask& event, const QoContextProperties& context) {
  if (event.name.empty()) FailCheck("trackTask", "qoEventTask.name is empty", __LINE__);
  PropertiesNode p;
  p.SetString("qo_task_name", event.name);
  SetNumberIfSet(p, "qo_task_elapsed", event.elapsed);
  SetOutcomeIfKnown(p, "qo_task_result", event.result);
  SetTextsIfSet(p, {{"qo_aname", event.aname}, {"qo_reason", event.reason}});
  return Finish(std::move(p), FirstTime::kAdd, context, QoEventKind::Task);
}

namespace {

void SetFileMedia(PropertiesNode& p, const QoEventFile& event) {
  SetIntIfSet(p, "qo_duration", event.duration);
  SetNumberIfSet(p, "qo_fps", event.fps);
  SetNumberIfSet(p, "qo_bps", event.bps);
  SetIntIfSet(p, "qo_width", event.width);
  SetIntIfSet(p, "qo_height", event.height);
  SetIntIfSet(p, "qo_depth", event.depth);
}

}  // namespace

PropertiesNode FileProperties(const QoEventFile& event, const QoContextProperties& context) {
  if (event.aname.empty()) FailCheck("trackFile", "qoEventFile.aname is empty", __LINE__);
  PropertiesNode p;
  p.SetString("qo_aname", event.aname);
  if (event.io) p.SetString("qo_io", toString(*event.io));
  SetOutcomeIfKnown(p, "qo_result", event.result);
  SetTextsIfSet(p, {{"qo_name", event.name}, {"qo_ext", event.ext}});
  if (event.size) SetNumberIfPositive(p, "qo_size", *event.size);
  SetFileMedia(p, event);
  return Finish(std::move(p), FirstTime::kAdd, context, QoEventKind::File);
}

namespace {

void CheckAppOpenNotification(const QoEventAppOpenNotification* event) {
  constexpr const char* kOperation = "trackAppOpenNotification";
  if (event == nullptr) FailCheck(kOperation, "&appOpenNotification is nullptr", __LINE__);
  if (event->planID.empty()) FailCheck(kOperation, "planID is emptry", __LINE__);
  if (event->planType.empty()) FailCheck(kOperation, "planType is emptry", __LINE__);
  if (event->msgTitle.empty()) FailCheck(kOperation, "msgTitle is emptry", __LINE__);
}

}  // namespace

PropertiesNode AppOpenNotificationProperties(const QoEventAppOpenNotification* event,
                                             const QoContextProperties& context) {
  CheckAppOpenNotification(event);
  PropertiesNode p;
  p.SetString("$sf_msg_title", event->msgTitle);
  p.SetString("$sf_plan_id", event->planID);
  p.SetString("$sf_plan_type", event->planType);
  SetTextsIfSet(p, {{"$sf_msg_content", event->msgContent},
                    {"$sf_link_url", event->linkUrl},
                    {"$sf_audience_id", event->audienceId},
                    {"$sf_plan_strategy_id", event->planStrategyId},
                    {"$sf_strategy_unit_id", event->strategyUnitId}});
  return Finish(std::move(p), FirstTime::kAdd, context, QoEventKind::AppOpenNotification);
}

}  // namespace usage::zelkor
