// Property sets of the commerce events: orders and payments, with their amount checks.
#include <cstdio>

#include "analytics/event_properties.h"
#include "analytics/event_property_setters.h"

namespace usage::zelkor {

using namespace event_setters;

namespace {

void CheckOrder(const QoEventOrder& event) {
  constexpr const char* kOperation = "trackOrder";
  if (event.qoSuitId.empty()) FailCheck(kOperation, "qoEventOrder.qoSuitId is empty", __LINE__);
  if (!event.qoCurrency) FailCheck(kOperation, "qoEventOrder.qoCurrency is nullptr", __LINE__);
  // "not above zero" also turns away a NaN amount.
  if (!(event.originalAmount > 0)) FailCheck(kOperation, "qoEventOrder.originalAmount is less than zero", __LINE__);
  if (!(event.paidAmount > 0)) FailCheck(kOperation, "qoEventOrder.paidAmount is not above zero", __LINE__);
}

}  // namespace

PropertiesNode OrderProperties(const QoEventOrder& event, const QoContextProperties& context) {
  CheckOrder(event);
  PropertiesNode p;
  p.SetString("qo_suit_id", event.qoSuitId);
  p.SetString("qo_currency", toString(*event.qoCurrency));
  p.SetNumber("qo_paid_amount", event.paidAmount);
  p.SetNumber("qo_original_amount", event.originalAmount);
  SetTextsIfSet(p, {{"qo_order_id", event.orderId}, {"qo_subitem", event.subitem}, {"qo_sku", event.sku}});
  SetIntIfSet(p, "qo_campaign_code", event.campaignCode);
  SetTextIfSet(p, "qo_voucher_id", event.voucherId);
  SetNumberIfPositive(p, "qo_cur_original_amount", event.curOriginalAmount);
  SetNumberIfPositive(p, "qo_cur_paid_amount", event.curPaidAmount);
  SetTextsIfSet(p, {{"qo_cashier_name", event.cashierName}, {"qo_cashier_title", event.cashierTitle}});
  return Finish(std::move(p), FirstTime::kAdd, context, QoEventKind::Order);
}

namespace {

constexpr const char* kPayment = "trackPayment";

// name + " = " + amount in "%f" + " is invalid" unless the amount is zero or more (a NaN
// amount is not).
void CheckAmount(const char* name, float amount, int line) {
  if (amount >= 0) return;
  char text[400];
  std::snprintf(text, sizeof text, "%s = %f is invalid", name, static_cast<double>(amount));
  FailCheck(kPayment, text, line);
}

void CheckPayment(const QoEventPayment& event) {
  if (event.qoOrderId.empty()) FailCheck(kPayment, "qoEventPayment.qoOrderId is empty", __LINE__);
  CheckAmount("paidAmount", event.paidAmount, __LINE__);
  CheckAmount("originalAmount", event.originalAmount, __LINE__);
  if (!event.result || (*event.result != QoResult::Success && *event.result != QoResult::Fail)) {
    FailCheck(kPayment, "qoEventPayment.result is invalid", __LINE__);
  }
  // Both are reported unconditionally, so an absent one is refused rather than read.
  if (!event.currency) FailCheck(kPayment, "qoEventPayment.currency is nullptr", __LINE__);
  if (!event.paidPlatform) FailCheck(kPayment, "qoEventPayment.paidPlatform is nullptr", __LINE__);
}

void SetPaymentDetails(PropertiesNode& p, const QoEventPayment& event) {
  SetTextIfSet(p, "qo_suit_id", event.suitId);
  if (event.iapType) p.SetString("qo_iap_type", toString(*event.iapType));
  SetTextsIfSet(p, {{"qo_subitem", event.subitem},
                    {"qo_sku", event.sku},
                    {"qo_voucher_id", event.voucherId},
                    {"qo_used_voucher_id", event.usedVoucherId}});
  SetIntIfSet(p, "qo_campaign_code", event.campaignCode);
  SetNumberIfPositive(p, "qo_cur_original_amount", event.curOriginalAmount);
  SetNumberIfPositive(p, "qo_cur_paid_amount", event.curPaidAmount);
  SetTextsIfSet(p, {{"qo_cashier_name", event.cashierName}, {"qo_cashier_title", event.cashierTitle}});
}

}  // namespace

PropertiesNode PaymentProperties(const QoEventPayment& event, const QoContextProperties& context) {
  CheckPayment(event);
  PropertiesNode p;
  p.SetString("qo_order_id", event.qoOrderId);
  p.SetString("qo_paid_platform", toString(*event.paidPlatform));
  p.SetString("qo_currency", toString(*event.currency));
  p.SetNumber("qo_paid_amount", event.paidAmount);
  p.SetNumber("qo_original_amount", event.originalAmount);
  p.SetString("qo_result", toString(*event.result));
  SetPaymentDetails(p, event);
  return Finish(std::move(p), FirstTime::kAdd, context, QoEventKind::Payment);
}

}  // namespace usage::zelkor
