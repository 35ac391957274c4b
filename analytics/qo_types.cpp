// Text forms of the event kinds and enumerations: one table of names per enumeration,
// indexed by value.
#include "analytics/qo_types.h"

#include <array>
#include <span>

#include "analytics/qo_exception.h"

namespace usage::zelkor {
namespace {

struct EnumTexts {
  std::span<const char* const> names;
  // An unknown value fails with unknownPrefix + number + "]!", or with fixedMessage when set.
  const char* unknownPrefix;
  const char* function = "toString";
  const char* fixedMessage = nullptr;
};

std::string UnknownValueMessage(const EnumTexts& texts, std::int64_t value) {
  if (texts.fixedMessage != nullptr) return texts.fixedMessage;
  return texts.unknownPrefix + std::to_string(value) + "]!";
}

std::string TextOf(const EnumTexts& texts, std::int64_t value) {
  if (value < 0 || value >= static_cast<std::int64_t>(texts.names.size())) {
    throw QoException(UnknownValueMessage(texts, value), kTrackerUnit, texts.function, __LINE__);
  }
  return texts.names[static_cast<std::size_t>(value)];
}

template <typename E>
std::int64_t Number(E value) {
  return static_cast<std::int64_t>(value);
}

constexpr std::array<const char*, kEventKindCount> kKindNames = {
    "Activity", "PaLaunchPal", "Login", "Click", "View", "Cashier", "Share", "Task",
    "File", "Order", "Payment", "Uninstall", "Update", "Crashed", "AppOpenNotification"};
constexpr std::array<const char*, kEventKindCount> kEventNames = {
    "QoEventActivity", "QoEventLaunch", "QoEventLogin", "QoEventClick", "QoEventView",
    "QoEventCashier", "QoEventShare", "QoEventTask", "QoEventFile", "QoEventOrder",
    "QoEventPayment", "QoEventUninstall", "QoEventUpdate", "AppCrashed", "AppOpenNotification"};
constexpr std::array kEditionNames = {"china", "overseas"};
constexpr std::array kUserTypeNames = {"unknown", "mobilephone", "email", "weixin", "qq", "deviceid",
                                       "baidu", "huawei", "apple", "zelkoruserid", "google", "facebook"};
constexpr std::array kResultNames = {"Success", "Cancelled", "Fail", "Unknown"};
constexpr std::array kClickTypeNames = {"Button", "Banner", "Tutorial", "File", "Others"};
constexpr std::array kCurrencyNames = {"CNY", "USD", "EUR", "HKD", "TWD", "MOP",
                                       "SGD", "JPY", "KRW", "INR", "GBP"};
constexpr std::array kPaidPlatformNames = {"Alipay", "WeChatPay", "PayPal", "Tenpay", "CIECC",
                                           "GooglePay", "HuaweiPay", "AppleIAP", "Paddle", "ChinaUnionPay"};
constexpr std::array kIapTypeNames = {"Consumable", "NonConsumable", "AutoRenewable", "NonRenewable"};
constexpr std::array kUpdateOpNames = {"UpdateCheck", "DownloadStart", "DownloadEnd", "UpgrateStart", "UpgrateEnd"};
constexpr std::array kUpdateResultNames = {"Success", "Cancelled", "Timeout", "Fail", "Latest", "Updateable"};
constexpr std::array kIoTypeNames = {"Input", "Output"};

}  // namespace

std::string toString(QoEventKind kind) { return TextOf({kKindNames, "Unknown Event ["}, Number(kind)); }
std::string eventName(QoEventKind kind) { return TextOf({kEventNames, "Unknown Event ["}, Number(kind)); }

std::string toString(QoEdition value) { return TextOf({kEditionNames, "Unknown edition ["}, Number(value)); }
std::string toString(QoUserType value) {
  return TextOf({kUserTypeNames, "Unknown user type [", "userType"}, Number(value));
}
std::string toString(QoResult value) { return TextOf({kResultNames, "Unknown task result ["}, Number(value)); }
std::string toString(ClickType value) { return TextOf({kClickTypeNames, "Unknown ClickType ["}, Number(value)); }
std::string toString(QoCurrency value) { return TextOf({kCurrencyNames, "Unknown currency ["}, Number(value)); }
std::string toString(QoPaidPlatform value) {
  return TextOf({kPaidPlatformNames, "Unknown paid platform ["}, Number(value));
}
std::string toString(QoIapType value) { return TextOf({kIapTypeNames, "Unknown qoIapType ["}, Number(value)); }
std::string toString(QoUpdateOp value) { return TextOf({kUpdateOpNames, "Unknown QoUpdateOp ["}, Number(value)); }
std::string toString(QoUpdateResult value) {
  return TextOf({kUpdateResultNames, "Unknown QoUpdateResult ["}, Number(value));
}
std::string toString(QoIoType value) {
  return TextOf({kIoTypeNames, nullptr, "toString", "the io type is invalid"}, Number(value));
}

}  // namespace usage::zelkor
