// The tracker's event kinds and enumerations, with their text forms as reported in event
// properties. A value outside an enumeration's range has no text: toString throws
// QoException.
#pragma once

#include <cstdint>
#include <string>

namespace usage::zelkor {

// Index of an event kind in QoContextProperties, and the kind reported in the track log.
enum class QoEventKind : std::uint32_t {
  Activity = 0,
  Launch,
  Login,
  Click,
  View,
  Cashier,
  Share,
  Task,
  File,
  Order,
  Payment,
  Uninstall,
  Update,
  Crashed,
  AppOpenNotification,
};
inline constexpr unsigned kEventKindCount = 15;

enum class QoEdition : std::int32_t { China = 0, Overseas };

enum class QoUserType : std::int32_t {
  Unknown = 0,
  MobilePhone,
  Email,
  Weixin,
  QQ,
  DeviceId,
  Baidu,
  Huawei,
  Apple,
  ZelkorUserId,
  Google,
  Facebook,
};

enum class QoResult : std::int32_t { Success = 0, Cancelled, Fail, Unknown };

enum class ClickType : std::int32_t { Button = 0, Banner, Tutorial, File, Others };

enum class QoCurrency : std::int32_t { CNY = 0, USD, EUR, HKD, TWD, MOP, SGD, JPY, KRW, INR, GBP };

enum class QoPaidPlatform : std::int32_t {
  Alipay = 0,
  WeChatPay,
  PayPal,
  Tenpay,
  CIECC,
  GooglePay,
  HuaweiPay,
  AppleIAP,
  Paddle,
  ChinaUnionPay,
};

enum class QoIapType : std::int32_t { Consumable = 0, NonConsumable, AutoRenewable, NonRenewable };

enum class QoUpdateOp : std::int32_t { UpdateCheck = 0, DownloadStart, DownloadEnd, UpgrateStart, UpgrateEnd };

enum class QoUpdateResult : std::int32_t { Success = 0, Cancelled, Timeout, Fail, Latest, Updateable };

enum class QoIoType : std::int32_t { Input = 0, Output };

// Kind name: "Activity", "PaLaunchPal", "Login", "Click", ... ("Unknown Event [n]!").
std::string toString(QoEventKind kind);
// The event name the SDK records: "QoEventActivity", "QoEventLaunch", ..., "AppCrashed".
std::string eventName(QoEventKind kind);

std::string toString(QoEdition value);
std::string toString(QoUserType value);
std::string toString(QoResult value);
std::string toString(ClickType value);
std::string toString(QoCurrency value);
std::string toString(QoPaidPlatform value);
std::string toString(QoIapType value);
std::string toString(QoUpdateOp value);
std::string toString(QoUpdateResult value);
std::string toString(QoIoType value);

}  // namespace usage::zelkor
