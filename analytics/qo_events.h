// The records a caller fills for each tracked event, and the user record of a login.
// Texts are UTF-8; an optional number or enumeration is held through a shared pointer that
// is empty when the value is absent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "analytics/qo_types.h"

namespace usage::zelkor {

struct QoEventClick {
  std::string aname;
  std::string name;
  ClickType clickType = ClickType::Others;
  std::string title;
  std::string module;
  std::string position;
  std::shared_ptr<int> tabIndex;
  std::string tabName;
  std::shared_ptr<int> bannerIndex;
  std::string bannerName;
};

struct QoEventView {
  std::string aname;
  std::string name;
  std::string title;
  std::string position;
};

struct QoEventCashier {
  std::string qo_cashier_name;
  std::string qo_cashier_title;
  std::string qo_subitem;
};

struct QoEventShare {
  std::string aname;
  std::string channel;
  std::string position;
  std::string sharedName;
  std::shared_ptr<QoResult> result;
};

struct QoEventTask {
  std::string aname;
  std::string name;
  std::string reason;
  std::shared_ptr<float> elapsed;
  std::shared_ptr<QoResult> result;
};

struct QoEventFile {
  std::string aname;
  std::string name;
  std::shared_ptr<QoIoType> io;
  std::string ext;
  std::shared_ptr<float> size;
  std::shared_ptr<int> duration;
  std::shared_ptr<float> fps;
  std::shared_ptr<float> bps;
  std::shared_ptr<int> width;
  std::shared_ptr<int> height;
  std::shared_ptr<int> depth;
  std::shared_ptr<QoResult> result;
};

struct QoEventOrder {
  std::string orderId;
  std::string subitem;
  std::string sku;
  std::string qoSuitId;
  std::shared_ptr<QoCurrency> qoCurrency;
  float originalAmount = 0;
  std::string voucherId;
  float paidAmount = 0;
  std::string cashierName;
  std::string cashierTitle;
  std::shared_ptr<int> campaignCode;
  float curOriginalAmount = 0;
  float curPaidAmount = 0;
};

struct QoEventPayment {
  std::string qoOrderId;
  std::string subitem;
  std::string sku;
  std::shared_ptr<QoCurrency> currency;
  float originalAmount = 0;
  std::shared_ptr<int> campaignCode;
  std::string voucherId;
  std::string usedVoucherId;
  float paidAmount = 0;
  std::string suitId;
  std::string cashierName;
  std::string cashierTitle;
  std::shared_ptr<QoPaidPlatform> paidPlatform;
  std::shared_ptr<QoResult> result;
  std::shared_ptr<QoIapType> iapType;
  float curOriginalAmount = 0;
  float curPaidAmount = 0;
};

struct QoEventUpdate {
  QoUpdateOp op = QoUpdateOp::UpdateCheck;
  std::shared_ptr<QoUpdateResult> result;
  std::shared_ptr<float> elapsed;
};

struct QoEventAppOpenNotification {
  std::string msgTitle;
  std::string msgContent;
  std::string linkUrl;
  std::string planID;
  std::string audienceId;
  std::string planStrategyId;
  std::string planType;
  std::string strategyUnitId;
};

// The user of a login; besides userId, userType and vipLevel the fields are carried for the
// user profile only.
struct QoUserInfo {
  std::string userId;
  std::string userName;
  QoUserType userType = QoUserType::Unknown;
  std::string nickname;
  std::string portrait;
  std::string mobilephone;
  std::string email;
  std::string weixin;
  std::string qq;
  std::string did;
  std::int64_t created = 0;    // seconds since 1970-01-01 UTC
  std::int64_t lastLogin = 0;  // seconds since 1970-01-01 UTC
  std::string lastIp;
  int vipLevel = 0;
  std::int64_t vipEndDate = 0;  // seconds since 1970-01-01 UTC
};

}  // namespace usage::zelkor
