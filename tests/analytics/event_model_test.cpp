// The tracker's event model: enumeration texts, the A/B value rule, the property set of each
// track operation, the checks and their messages, context properties per event kind, and the
// profile-property table with its messages.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iomanip>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "analytics/event_properties.h"
#include "analytics/profile_properties.h"
#include "analytics/qo_context_properties.h"
#include "analytics/qo_exception.h"
#include "analytics/qo_types.h"

using namespace usage::zelkor;
using ValueType = usage_analytics::utils::ObjectNode::ValueType;

namespace {

// ---- helpers ----

struct Failure {
  std::string message;
  std::string file;
  std::string function;
  bool operator==(const Failure&) const = default;
};

void PrintTo(const Failure& f, std::ostream* out) {
  *out << "{\"" << f.message << "\", " << f.file << ", " << f.function << "}";
}

// The QoException a call throws, or none.
std::optional<Failure> FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const QoException& e) {
    EXPECT_STREQ(e.what(), e.message().c_str());
    EXPECT_GT(e.line(), 0);
    return Failure{e.message(), e.file(), e.function()};
  }
  return std::nullopt;
}

void AppendValue(std::ostream& out, const usage_analytics::utils::ObjectNode::Value& v) {
  switch (v.type) {
    case ValueType::kNumber: out << "num=" << v.number; break;
    case ValueType::kInt: out << "int=" << v.integer; break;
    case ValueType::kString: out << "text=" << v.text; break;
    case ValueType::kBool: out << "bool=" << (v.boolean ? "true" : "false"); break;
    case ValueType::kDateTime:
      out << "time=" << v.dateTime.seconds << "." << std::setw(3) << std::setfill('0') << v.dateTime.millis;
      break;
    case ValueType::kList:
      out << "list=";
      for (const std::string& item : v.list) out << "[" << item << "]";
      break;
    case ValueType::kObject: out << "object"; break;
  }
}

// Every property as key:type=value, in key order, so that a wrong type shows as plainly as a
// wrong value ("int=64" against "num=64").
std::string Typed(const PropertiesNode& properties) {
  std::ostringstream out;
  for (const auto& [key, value] : properties.Values()) {
    if (out.tellp() > 0) out << ", ";
    out << key << ":";
    AppendValue(out, value);
  }
  return out.str();
}

template <typename T>
std::shared_ptr<T> Opt(T value) {
  return std::make_shared<T>(value);
}

const QoContextProperties kNoContext;

// ---- records: one with every field set, one with only what the checks require ----

QoEventClick FullClick() {
  QoEventClick e;
  e.aname = "app";
  e.name = "立即安装";
  e.clickType = ClickType::Button;
  e.title = "T";
  e.module = "M";
  e.position = "P";
  e.tabIndex = Opt(2);
  e.tabName = "tab";
  e.bannerIndex = Opt(0);  // present, so reported although zero
  e.bannerName = "ban";
  return e;
}

QoEventFile FullFile() {
  QoEventFile e;
  e.aname = "a";
  e.name = "n";
  e.io = Opt(QoIoType::Output);
  e.ext = "mp4";
  e.size = Opt(1.5f);
  e.duration = Opt(3);
  e.fps = Opt(29.5f);
  e.bps = Opt(0.25f);
  e.width = Opt(640);
  e.height = Opt(480);
  e.depth = Opt(24);
  e.result = Opt(QoResult::Fail);
  return e;
}

QoEventOrder MinimalOrder() {
  QoEventOrder e;
  e.qoSuitId = "s";
  e.qoCurrency = Opt(QoCurrency::CNY);
  e.originalAmount = 1;
  e.paidAmount = 1;
  return e;
}

QoEventOrder FullOrder() {
  QoEventOrder e = MinimalOrder();
  e.orderId = "o";
  e.subitem = "s";
  e.sku = "k";
  e.qoSuitId = "suit";
  e.qoCurrency = Opt(QoCurrency::USD);
  e.originalAmount = 12.5f;
  e.voucherId = "v";
  e.paidAmount = 10;
  e.cashierName = "cn";
  e.cashierTitle = "ct";
  e.campaignCode = Opt(7);
  e.curOriginalAmount = 80.5f;
  e.curPaidAmount = 64;
  return e;
}

QoEventPayment MinimalPayment() {
  QoEventPayment e;
  e.qoOrderId = "o";
  e.currency = Opt(QoCurrency::CNY);
  e.paidPlatform = Opt(QoPaidPlatform::Alipay);
  e.result = Opt(QoResult::Fail);
  return e;  // both amounts 0, which passes
}

QoEventPayment FullPayment() {
  QoEventPayment e = MinimalPayment();
  e.subitem = "s";
  e.sku = "k";
  e.currency = Opt(QoCurrency::EUR);
  e.originalAmount = 20;
  e.campaignCode = Opt(3);
  e.voucherId = "v";
  e.usedVoucherId = "uv";
  e.paidAmount = 18.5f;
  e.suitId = "suit";
  e.cashierName = "cn";
  e.cashierTitle = "ct";
  e.paidPlatform = Opt(QoPaidPlatform::PayPal);
  e.result = Opt(QoResult::Success);
  e.iapType = Opt(QoIapType::AutoRenewable);
  e.curOriginalAmount = 150;
  e.curPaidAmount = 138.75f;
  return e;
}

QoEventAppOpenNotification MinimalNotification() {
  QoEventAppOpenNotification e;
  e.msgTitle = "t";
  e.planID = "p1";
  e.planType = "pt";
  return e;
}

QoEventAppOpenNotification FullNotification() {
  QoEventAppOpenNotification e = MinimalNotification();
  e.msgContent = "c";
  e.linkUrl = "https://x.example/a?b=1";
  e.audienceId = "a1";
  e.planStrategyId = "ps";
  e.strategyUnitId = "su";
  return e;
}

QoEventUpdate Update(QoUpdateOp op, std::shared_ptr<QoUpdateResult> result, std::shared_ptr<float> elapsed) {
  QoEventUpdate e;
  e.op = op;
  e.result = std::move(result);
  e.elapsed = std::move(elapsed);
  return e;
}

QoUserInfo User(std::string id, QoUserType type) {
  QoUserInfo user;
  user.userId = std::move(id);
  user.userType = type;
  return user;
}

TrackerFacts InstallerFacts() {
  return {"Tavelo.downloader", "1.7.9", "TaveloInstaller.exe", "Mozilla/5.0(Windows 10; Win64;)", "Windows", "10"};
}

// One passing record per kind, built with the given context (the crash takes none).
PropertiesNode BuildKind(QoEventKind kind, const QoContextProperties& context) {
  switch (kind) {
    case QoEventKind::Activity: return ActivityProperties(InstallerFacts(), context);
    case QoEventKind::Launch: return LaunchProperties(context);
    case QoEventKind::Login: return LoginProperties(User("u", QoUserType::QQ), true, "", context);
    case QoEventKind::Click: return ClickProperties({.name = "c"}, context);
    case QoEventKind::View: return ViewProperties({.name = "v"}, context);
    case QoEventKind::Cashier: return CashierProperties({.qo_cashier_name = "c"}, context);
    case QoEventKind::Share: return ShareProperties({}, context);
    case QoEventKind::Task: return TaskProperties({.name = "t"}, context);
    case QoEventKind::File: return FileProperties({.aname = "a"}, context);
    case QoEventKind::Order: return OrderProperties(MinimalOrder(), context);
    case QoEventKind::Payment: return PaymentProperties(MinimalPayment(), context);
    case QoEventKind::Uninstall: return UninstallProperties("r", context);
    case QoEventKind::Update: return UpdateProperties({}, context);
    case QoEventKind::Crashed: return CrashProperties("r");
    case QoEventKind::AppOpenNotification: {
      const QoEventAppOpenNotification e = MinimalNotification();
      return AppOpenNotificationProperties(&e, context);
    }
  }
  return {};
}

QoEventKind KindAt(unsigned index) { return static_cast<QoEventKind>(index); }

// The text form of an enumeration by its number.
template <typename E>
std::function<std::string(int)> TextOf() {
  return [](int value) { return toString(static_cast<E>(value)); };
}

}  // namespace

// ---- enumerations ----

TEST(EnumerationTexts, EveryValueAndTheValuesJustOutside) {
  struct Case {
    const char* name;
    std::function<std::string(int)> text;
    std::vector<std::string> names;
    std::string unknownPrefix;  // message = prefix + number + "]!"; empty: fixedMessage
    std::string fixedMessage;
    std::string function = "toString";
  };
  const std::vector<Case> cases = {
      {"edition", TextOf<QoEdition>(), {"china", "overseas"}, "Unknown edition ["},
      {"user type", TextOf<QoUserType>(),
       {"unknown", "mobilephone", "email", "weixin", "qq", "deviceid", "baidu", "huawei", "apple", "zelkoruserid",
        "google", "facebook"},
       "Unknown user type [", "", "userType"},
      {"result", TextOf<QoResult>(), {"Success", "Cancelled", "Fail", "Unknown"},
       "Unknown task result ["},
      {"click type", TextOf<ClickType>(),
       {"Button", "Banner", "Tutorial", "File", "Others"}, "Unknown ClickType ["},
      {"currency", TextOf<QoCurrency>(),
       {"CNY", "USD", "EUR", "HKD", "TWD", "MOP", "SGD", "JPY", "KRW", "INR", "GBP"}, "Unknown currency ["},
      {"paid platform", TextOf<QoPaidPlatform>(),
       {"Alipay", "WeChatPay", "PayPal", "Tenpay", "CIECC", "GooglePay", "HuaweiPay", "AppleIAP", "Paddle",
        "ChinaUnionPay"},
       "Unknown paid platform ["},
      {"iap type", TextOf<QoIapType>(),
       {"Consumable", "NonConsumable", "AutoRenewable", "NonRenewable"}, "Unknown qoIapType ["},
      {"update op", TextOf<QoUpdateOp>(),
       {"UpdateCheck", "DownloadStart", "DownloadEnd", "UpgrateStart", "UpgrateEnd"}, "Unknown QoUpdateOp ["},
      {"update result", TextOf<QoUpdateResult>(),
       {"Success", "Cancelled", "Timeout", "Fail", "Latest", "Updateable"}, "Unknown QoUpdateResult ["},
      {"io type", TextOf<QoIoType>(), {"Input", "Output"}, "",
       "the io type is invalid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::size_t i = 0; i < c.names.size(); ++i) EXPECT_EQ(c.text(static_cast<int>(i)), c.names[i]);
    for (int outside : {static_cast<int>(c.names.size()), -1}) {
      const std::string message =
          c.unknownPrefix.empty() ? c.fixedMessage : c.unknownPrefix + std::to_string(outside) + "]!";
      EXPECT_EQ(FailureOf([&] { c.text(outside); }), (Failure{message, "UsageTrackerImpl", c.function}));
    }
  }
}

TEST(EnumerationTexts, EventKindNamesAndEventNames) {
  const std::vector<std::pair<std::string, std::string>> kinds = {
      {"Activity", "QoEventActivity"}, {"PaLaunchPal", "QoEventLaunch"},   {"Login", "QoEventLogin"},
      {"Click", "QoEventClick"},       {"View", "QoEventView"},             {"Cashier", "QoEventCashier"},
      {"Share", "QoEventShare"},       {"Task", "QoEventTask"},             {"File", "QoEventFile"},
      {"Order", "QoEventOrder"},       {"Payment", "QoEventPayment"},       {"Uninstall", "QoEventUninstall"},
      {"Update", "QoEventUpdate"},     {"Crashed", "AppCrashed"},           {"AppOpenNotification", "AppOpenNotification"},
  };
  ASSERT_EQ(kinds.size(), kEventKindCount);
  for (unsigned i = 0; i < kEventKindCount; ++i) {
    EXPECT_EQ(toString(KindAt(i)), kinds[i].first) << i;
    EXPECT_EQ(eventName(KindAt(i)), kinds[i].second) << i;
  }
  const Failure unknown{"Unknown Event [15]!", "UsageTrackerImpl", "toString"};
  EXPECT_EQ(FailureOf([] { toString(KindAt(15)); }), unknown);
  EXPECT_EQ(FailureOf([] { eventName(KindAt(15)); }), unknown);
}

// ---- A/B values ----

TEST(AbValue, ShapesAndTheFirstRuleBroken) {
  struct Case {
    std::string value;
    std::variant<bool, std::string> outcome;  // the result, or the failure message
  };
  const std::string first = "First char is not in A to Z";
  const std::string second = "second char is not in A to Z and 0 to 9";
  const std::string third = "third char is not in A to Z and 0 to 9";
  const std::string length = "value's length is great than 3.";
  const std::vector<Case> cases = {
      {"", false},           {"A", true},           {"Z", true},         {"IN", true},       {"B2", true},
      {"AB1", true},         {"Z09", true},         {"a", first},        {"1", first},       {"@", first},
      {"[", first},          {"-A", first},         {"A-", second},      {"Ab", second},     {"A/", second},
      {"A:", second},        {"AB-", third},        {"ABc", third},      {"A1@", third},     {"ABCD", length},
      {"A   ", length},      {"中", first},         {"A\xC3\xA9", second}, {std::string("A\0B", 3), second},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("value \"" + c.value + "\"");
    if (const bool* expected = std::get_if<bool>(&c.outcome)) {
      EXPECT_EQ(QoContextProperties::isValidABValue(c.value), *expected);
    } else {
      EXPECT_EQ(FailureOf([&] { QoContextProperties::isValidABValue(c.value); }),
                (Failure{std::get<std::string>(c.outcome), "QoContextProperties", "isValidABValue"}));
    }
  }
}

// ---- context properties ----

TEST(ContextProperties, AValueForOneKindReachesOnlyThatKindsEvents) {
  for (unsigned attached = 0; attached < kEventKindCount; ++attached) {
    QoContextProperties context;
    context.setProperty("IN", std::vector<unsigned>{attached});
    for (unsigned built = 0; built < kEventKindCount; ++built) {
      SCOPED_TRACE("attached to " + toString(KindAt(attached)) + ", built " + toString(KindAt(built)));
      const PropertiesNode properties = BuildKind(KindAt(built), context);
      // A crash carries no context properties at all.
      const bool expected = built == attached && KindAt(built) != QoEventKind::Crashed;
      const auto* ab = properties.Find("qoc_ab");
      ASSERT_EQ(ab != nullptr, expected);
      if (ab != nullptr) EXPECT_EQ(ab->text, "IN");
    }
  }
}

TEST(ContextProperties, EntriesListsAndTheirFailures) {
  QoContextProperties context;
  context.setProperty("B2", {QoEventKind::Click, QoEventKind::View});
  for (unsigned kind = 0; kind < kEventKindCount; ++kind) {
    const auto& entries = context.getEventProperties(kind);
    if (KindAt(kind) == QoEventKind::Click || KindAt(kind) == QoEventKind::View) {
      ASSERT_EQ(entries.size(), 1u) << kind;
      EXPECT_EQ(entries[0].key, "qoc_ab");
      EXPECT_EQ(entries[0].type, 3);
      EXPECT_EQ(*entries[0].value, "B2");
    } else {
      EXPECT_TRUE(entries.empty()) << kind;
    }
  }
  EXPECT_EQ(FailureOf([&] { context.setProperty("C", {QoEventKind::Task}); }),
            (Failure{"Property[qoc_ab] already exist!", "QoContextProperties", "setProperty"}));
  EXPECT_TRUE(context.getEventProperties(QoEventKind::Task).empty());
  EXPECT_EQ(*context.getEventProperties(QoEventKind::Click)[0].value, "B2");
  EXPECT_EQ(FailureOf([&] { context.getEventProperties(15u); }),
            (Failure{"QoEvent[15] overflow!", "QoContextProperties", "getEventProperties"}));
}

TEST(ContextProperties, AnOverflowingKindStopsTheListButKeepsTheKindsBeforeIt) {
  QoContextProperties context;
  EXPECT_EQ(FailureOf([&] { context.setProperty("IN", std::vector<unsigned>{3, 15, 4}); }),
            (Failure{"QoEvent[15] overflow!", "QoContextProperties", "setProperty"}));
  EXPECT_EQ(context.getEventProperties(3u).size(), 1u);
  EXPECT_TRUE(context.getEventProperties(4u).empty());
}

TEST(ContextProperties, ACopyKeepsItsValuesAfterTheOriginalIsGone) {
  auto original = std::make_unique<QoContextProperties>();
  original->setProperty("IN", {QoEventKind::Click});
  const QoContextProperties copy = *original;
  original.reset();
  EXPECT_EQ(Typed(ClickProperties({.name = "c"}, copy)),
            "$is_first_time:bool=true, qo_click_type:text=Others, qo_name:text=c, qoc_ab:text=IN");
}

// ---- property sets ----

TEST(EventProperties, FullAndMinimalRecordsOfEveryKind) {
  struct Case {
    const char* name;
    std::function<PropertiesNode()> build;
    std::string expected;
  };
  const QoEventAppOpenNotification fullNotification = FullNotification();
  const QoEventAppOpenNotification minimalNotification = MinimalNotification();
  const std::vector<Case> cases = {
      {"activity", [] { return ActivityProperties(InstallerFacts(), kNoContext); },
       "$app_id:text=Tavelo.downloader, $app_version:text=1.7.9, "
       "$ios_install_source:text=android_id=123##imei=1234##mac=123, $is_first_time:bool=true, "
       "$os:text=Windows, $os_version:text=10, $user_agent:text=Mozilla/5.0(Windows 10; Win64;), "
       "qo_app_id:text=Tavelo.downloader, qo_app_store:text=TaveloInstaller.exe"},
      {"activity, tracker values empty", [] { return ActivityProperties({}, kNoContext); },
       "$ios_install_source:text=android_id=123##imei=1234##mac=123, $is_first_time:bool=true, "
       "$os:text=, $os_version:text="},
      {"launch", [] { return LaunchProperties(kNoContext); }, ""},
      {"login", [] { return LoginProperties(User("u1", QoUserType::Email), true, "ok", kNoContext); },
       "$is_first_time:bool=true, qo_login_id:text=u1, qo_reason:text=ok, qo_result:text=Success, "
       "qo_type:text=email, qo_user_id:text=u1"},
      {"login, anonymous", [] { return LoginProperties({}, false, "", kNoContext); },
       "qo_result:text=Fail, qo_type:text=unknown"},
      {"click", [] { return ClickProperties(FullClick(), kNoContext); },
       "$is_first_time:bool=true, qo_aname:text=app, qo_banner_index:int=0, qo_banner_name:text=ban, "
       "qo_click_type:text=Button, qo_module:text=M, qo_name:text=立即安装, qo_position:text=P, "
       "qo_tab_index:int=2, qo_tab_name:text=tab, qo_title:text=T"},
      {"click, minimal", [] { return ClickProperties({.name = "n"}, kNoContext); },
       "$is_first_time:bool=true, qo_click_type:text=Others, qo_name:text=n"},
      {"view", [] { return ViewProperties({"a", "安装中", "t", "p"}, kNoContext); },
       "$is_first_time:bool=true, qo_aname:text=a, qo_name:text=安装中, qo_position:text=p, qo_title:text=t"},
      {"view, minimal", [] { return ViewProperties({.name = "v"}, kNoContext); },
       "$is_first_time:bool=true, qo_name:text=v"},
      {"cashier", [] { return CashierProperties({"c", "ct", "s"}, kNoContext); },
       "$is_first_time:bool=true, qo_cashier_name:text=c, qo_cashier_title:text=ct, qo_subitem:text=s"},
      {"cashier, minimal", [] { return CashierProperties({.qo_cashier_name = "c"}, kNoContext); },
       "$is_first_time:bool=true, qo_cashier_name:text=c"},
      {"share", [] { return ShareProperties({"a", "ch", "p", "sn", Opt(QoResult::Unknown)}, kNoContext); },
       "$is_first_time:bool=true, qo_aname:text=a, qo_channel:text=ch, qo_position:text=p, "
       "qo_result:text=Unknown, qo_shared_name:text=sn"},
      {"share, empty", [] { return ShareProperties({}, kNoContext); }, "$is_first_time:bool=true"},
      {"task", [] { return TaskProperties({"a", "大包下载完毕", "r", Opt(2.5f), Opt(QoResult::Cancelled)}, kNoContext); },
       "$is_first_time:bool=true, qo_aname:text=a, qo_reason:text=r, qo_task_elapsed:num=2.5, "
       "qo_task_name:text=大包下载完毕, qo_task_result:text=Cancelled"},
      {"task, minimal", [] { return TaskProperties({.name = "t"}, kNoContext); },
       "$is_first_time:bool=true, qo_task_name:text=t"},
      {"task, zero elapsed and an unknown result",
       [] { return TaskProperties({"", "t", "", Opt(0.0f), Opt(QoResult::Unknown)}, kNoContext); },
       "$is_first_time:bool=true, qo_task_elapsed:num=0, qo_task_name:text=t"},
      {"file", [] { return FileProperties(FullFile(), kNoContext); },
       "$is_first_time:bool=true, qo_aname:text=a, qo_bps:num=0.25, qo_depth:int=24, qo_duration:int=3, "
       "qo_ext:text=mp4, qo_fps:num=29.5, qo_height:int=480, qo_io:text=Output, qo_name:text=n, "
       "qo_result:text=Fail, qo_size:num=1.5, qo_width:int=640"},
      {"file, minimal", [] { return FileProperties({.aname = "a"}, kNoContext); },
       "$is_first_time:bool=true, qo_aname:text=a"},
      {"file, zero size and an unknown result",
       [] {
         QoEventFile e{.aname = "a", .size = Opt(0.0f), .result = Opt(QoResult::Unknown)};
         return FileProperties(e, kNoContext);
       },
       "$is_first_time:bool=true, qo_aname:text=a"},
      {"order", [] { return OrderProperties(FullOrder(), kNoContext); },
       "$is_first_time:bool=true, qo_campaign_code:int=7, qo_cashier_name:text=cn, qo_cashier_title:text=ct, "
       "qo_cur_original_amount:num=80.5, qo_cur_paid_amount:num=64, qo_currency:text=USD, qo_order_id:text=o, "
       "qo_original_amount:num=12.5, qo_paid_amount:num=10, qo_sku:text=k, qo_subitem:text=s, "
       "qo_suit_id:text=suit, qo_voucher_id:text=v"},
      {"order, minimal", [] { return OrderProperties(MinimalOrder(), kNoContext); },
       "$is_first_time:bool=true, qo_currency:text=CNY, qo_original_amount:num=1, qo_paid_amount:num=1, "
       "qo_suit_id:text=s"},
      {"payment", [] { return PaymentProperties(FullPayment(), kNoContext); },
       "$is_first_time:bool=true, qo_campaign_code:int=3, qo_cashier_name:text=cn, qo_cashier_title:text=ct, "
       "qo_cur_original_amount:num=150, qo_cur_paid_amount:num=138.75, qo_currency:text=EUR, "
       "qo_iap_type:text=AutoRenewable, qo_order_id:text=o, qo_original_amount:num=20, qo_paid_amount:num=18.5, "
       "qo_paid_platform:text=PayPal, qo_result:text=Success, qo_sku:text=k, qo_subitem:text=s, "
       "qo_suit_id:text=suit, qo_used_voucher_id:text=uv, qo_voucher_id:text=v"},
      {"payment, minimal with zero amounts", [] { return PaymentProperties(MinimalPayment(), kNoContext); },
       "$is_first_time:bool=true, qo_currency:text=CNY, qo_order_id:text=o, qo_original_amount:num=0, "
       "qo_paid_amount:num=0, qo_paid_platform:text=Alipay, qo_result:text=Fail"},
      {"uninstall", [] { return UninstallProperties("r", kNoContext); }, "qo_uninstall_reason:text=r"},
      {"uninstall, no reason", [] { return UninstallProperties("", kNoContext); }, ""},
      {"crash", [] { return CrashProperties("崩溃"); }, "app_crashed_reason:text=崩溃"},
      {"crash, no reason", [] { return CrashProperties(""); }, ""},
      {"notification", [&] { return AppOpenNotificationProperties(&fullNotification, kNoContext); },
       "$is_first_time:bool=true, $sf_audience_id:text=a1, $sf_link_url:text=https://x.example/a?b=1, "
       "$sf_msg_content:text=c, $sf_msg_title:text=t, $sf_plan_id:text=p1, $sf_plan_strategy_id:text=ps, "
       "$sf_plan_type:text=pt, $sf_strategy_unit_id:text=su"},
      {"notification, minimal", [&] { return AppOpenNotificationProperties(&minimalNotification, kNoContext); },
       "$is_first_time:bool=true, $sf_msg_title:text=t, $sf_plan_id:text=p1, $sf_plan_type:text=pt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Typed(c.build()), c.expected);
  }
}

TEST(EventProperties, UpdateByOperation) {
  using enum QoUpdateOp;
  struct Case {
    QoEventUpdate event;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {Update(UpdateCheck, nullptr, nullptr), "qo_update_op:text=UpdateCheck, qo_update_result:text="},
      {Update(UpdateCheck, Opt(QoUpdateResult::Latest), Opt(1.0f)),
       "qo_update_op:text=UpdateCheck, qo_update_result:text=Latest"},
      {Update(DownloadStart, Opt(QoUpdateResult::Success), Opt(1.0f)), "qo_update_op:text=DownloadStart"},
      {Update(UpgrateStart, nullptr, nullptr), "qo_update_op:text=UpgrateStart"},
      {Update(DownloadEnd, Opt(QoUpdateResult::Success), Opt(3.5f)),
       "qo_elapsed:num=3.5, qo_update_op:text=DownloadEnd, qo_update_result:text=Success"},
      {Update(UpgrateEnd, Opt(QoUpdateResult::Updateable), Opt(1.25f)),
       "$is_first_time:bool=true, qo_elapsed:num=1.25, qo_update_op:text=UpgrateEnd, "
       "qo_update_result:text=Updateable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(toString(c.event.op));
    EXPECT_EQ(Typed(UpdateProperties(c.event, kNoContext)), c.expected);
  }
}

// ---- checks ----

TEST(EventChecks, EachFailedCheckWithItsMessage) {
  struct Case {
    const char* name;
    std::function<void()> call;
    std::string message;
    std::string function;
  };
  auto click = [](QoEventClick e) { return [e] { ClickProperties(e, kNoContext); }; };
  auto order = [](auto change) {
    return [change] {
      QoEventOrder e = FullOrder();
      change(e);
      OrderProperties(e, kNoContext);
    };
  };
  auto payment = [](auto change) {
    return [change] {
      QoEventPayment e = FullPayment();
      change(e);
      PaymentProperties(e, kNoContext);
    };
  };
  auto notification = [](auto change) {
    return [change] {
      QoEventAppOpenNotification e = FullNotification();
      change(e);
      AppOpenNotificationProperties(&e, kNoContext);
    };
  };
  auto update = [](QoEventUpdate e) { return [e] { UpdateProperties(e, kNoContext); }; };
  QoEventClick namelessClick = FullClick();
  namelessClick.name.clear();
  QoEventClick badClickType{.name = "n", .clickType = static_cast<ClickType>(5)};
  const std::vector<Case> cases = {
      {"click without name, all else set", click(namelessClick), "qoEventClick.name is empty", "trackClick"},
      {"click type out of range", click(badClickType), "Unknown ClickType [5]!", "toString"},
      {"view without name", [] { ViewProperties({"a", "", "t", "p"}, kNoContext); }, "qoEventView.name is empty",
       "trackView"},
      {"cashier without name", [] { CashierProperties({"", "ct", "s"}, kNoContext); },
       "qoEventCashier.qo_cashier_name is empty", "trackCashier"},
      {"share result out of range",
       [] { ShareProperties({.result = Opt(static_cast<QoResult>(4))}, kNoContext); }, "Unknown task result [4]!",
       "toString"},
      {"task without name", [] { TaskProperties({"a", "", "r", Opt(1.0f), nullptr}, kNoContext); },
       "qoEventTask.name is empty", "trackTask"},
      {"file without aname", [] { FileProperties({.name = "n"}, kNoContext); }, "qoEventFile.aname is empty",
       "trackFile"},
      {"file io out of range", [] { FileProperties({.aname = "a", .io = Opt(static_cast<QoIoType>(2))}, kNoContext); },
       "the io type is invalid", "toString"},
      {"order without suit, without currency", order([](QoEventOrder& e) { e.qoSuitId.clear(); e.qoCurrency.reset(); }),
       "qoEventOrder.qoSuitId is empty", "trackOrder"},
      {"order without currency", order([](QoEventOrder& e) { e.qoCurrency.reset(); }),
       "qoEventOrder.qoCurrency is nullptr", "trackOrder"},
      {"order original amount 0", order([](QoEventOrder& e) { e.originalAmount = 0; }),
       "qoEventOrder.originalAmount is less than zero", "trackOrder"},
      {"order original amount NaN",
       order([](QoEventOrder& e) { e.originalAmount = std::numeric_limits<float>::quiet_NaN(); }),
       "qoEventOrder.originalAmount is less than zero", "trackOrder"},
      {"order paid amount 0", order([](QoEventOrder& e) { e.paidAmount = 0; }),
       "qoEventOrder.paidAmount is not above zero", "trackOrder"},
      {"order currency out of range", order([](QoEventOrder& e) { e.qoCurrency = Opt(static_cast<QoCurrency>(11)); }),
       "Unknown currency [11]!", "toString"},
      {"payment without order id", payment([](QoEventPayment& e) { e.qoOrderId.clear(); e.paidAmount = -1; }),
       "qoEventPayment.qoOrderId is empty", "trackPayment"},
      {"payment paid amount -1", payment([](QoEventPayment& e) { e.paidAmount = -1; e.originalAmount = -2; }),
       "paidAmount = -1.000000 is invalid", "trackPayment"},
      {"payment original amount -2.5", payment([](QoEventPayment& e) { e.originalAmount = -2.5f; }),
       "originalAmount = -2.500000 is invalid", "trackPayment"},
      {"payment without result", payment([](QoEventPayment& e) { e.result.reset(); }),
       "qoEventPayment.result is invalid", "trackPayment"},
      {"payment cancelled", payment([](QoEventPayment& e) { e.result = Opt(QoResult::Cancelled); }),
       "qoEventPayment.result is invalid", "trackPayment"},
      {"payment result unknown", payment([](QoEventPayment& e) { e.result = Opt(QoResult::Unknown); }),
       "qoEventPayment.result is invalid", "trackPayment"},
      {"payment without currency", payment([](QoEventPayment& e) { e.currency.reset(); }),
       "qoEventPayment.currency is nullptr", "trackPayment"},
      {"payment without platform", payment([](QoEventPayment& e) { e.paidPlatform.reset(); }),
       "qoEventPayment.paidPlatform is nullptr", "trackPayment"},
      {"payment platform out of range",
       payment([](QoEventPayment& e) { e.paidPlatform = Opt(static_cast<QoPaidPlatform>(10)); }),
       "Unknown paid platform [10]!", "toString"},
      {"payment iap type out of range", payment([](QoEventPayment& e) { e.iapType = Opt(static_cast<QoIapType>(4)); }),
       "Unknown qoIapType [4]!", "toString"},
      {"login user type out of range",
       [] { LoginProperties(User("u", static_cast<QoUserType>(12)), true, "", kNoContext); },
       "Unknown user type [12]!", "userType"},
      {"download end without result", update(Update(QoUpdateOp::DownloadEnd, nullptr, Opt(1.0f))),
       "Unknown updateResultInfo info", "trackUpdate"},
      {"download end without elapsed", update(Update(QoUpdateOp::DownloadEnd, Opt(QoUpdateResult::Fail), nullptr)),
       "invalid elapsed info", "trackUpdate"},
      {"upgrade end without result", update(Update(QoUpdateOp::UpgrateEnd, nullptr, nullptr)),
       "Unknown updateResultInfo info", "trackUpdate"},
      {"upgrade end without elapsed", update(Update(QoUpdateOp::UpgrateEnd, Opt(QoUpdateResult::Success), nullptr)),
       "invalid elapsed info", "trackUpdate"},
      {"update op out of range", update(Update(static_cast<QoUpdateOp>(5), nullptr, nullptr)),
       "Unknown QoUpdateOp [5]!", "toString"},
      {"update result out of range",
       update(Update(QoUpdateOp::DownloadStart, Opt(static_cast<QoUpdateResult>(6)), nullptr)),
       "Unknown QoUpdateResult [6]!", "toString"},
      {"notification address null", [] { AppOpenNotificationProperties(nullptr, kNoContext); },
       "&appOpenNotification is nullptr", "trackAppOpenNotification"},
      {"notification without plan id, type, title",
       notification([](auto& e) { e.planID.clear(); e.planType.clear(); e.msgTitle.clear(); }), "planID is emptry",
       "trackAppOpenNotification"},
      {"notification without plan type, title", notification([](auto& e) { e.planType.clear(); e.msgTitle.clear(); }),
       "planType is emptry", "trackAppOpenNotification"},
      {"notification without title", notification([](auto& e) { e.msgTitle.clear(); }), "msgTitle is emptry",
       "trackAppOpenNotification"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FailureOf(c.call), (Failure{c.message, "UsageTrackerImpl", c.function}));
  }
}

TEST(EventChecks, APaymentAmountThatIsNotANumberIsRefused) {
  QoEventPayment e = FullPayment();
  e.paidAmount = std::numeric_limits<float>::quiet_NaN();
  const std::optional<Failure> failure = FailureOf([&] { PaymentProperties(e, kNoContext); });
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->message.rfind("paidAmount = ", 0), 0u) << failure->message;
  EXPECT_TRUE(failure->message.ends_with(" is invalid")) << failure->message;
}

// ---- profile properties ----

TEST(ProfileTable, EverySupportedKeyWithItsSendKind) {
  using enum ProfileSendKind;
  const std::vector<std::pair<std::string, ProfileSendKind>> table = {
      {"$first_visit_time", SetOnce}, {"qo_first_visit_date", SetOnce}, {"$ios_install_source", SetOnce},
      {"qo_first_paid_date", SetOnce}, {"qo_visit_count", Increment}, {"qo_paid_count", Increment},
      {"qo_consumption", Increment}, {"qo_label", Set}, {"qo_os", Set}, {"qo_os_version", Set},
      {"qo_manufacturer", Set}, {"qo_model", Set}, {"qo_app_store", Set}, {"qo_app_platform", Set},
      {"qo_last_app_id", Set}, {"qo_last_app_version", Set}, {"qo_carrier", Set}, {"qo_last_visit_date", Set},
      {"aurora_pushid", Set}, {"qo_user_id", Set}, {"qo_user_name", Set}, {"qo_user_type", Set},
      {"qo_user_nickname", Set}, {"qo_user_portrait", Set}, {"qo_user_mobilephone", Set}, {"qo_user_email", Set},
      {"qo_user_weixin", Set}, {"qo_user_qq", Set}, {"qo_user_did", Set}, {"qo_user_created", Set},
      {"qo_user_last_login", Set}, {"qo_user_last_ip", Set}, {"qo_user_vip_level", Set},
      {"qo_user_vip_enddate", Set}, {"idfa", Set}, {"imei", Set}, {"android_id", Set}, {"oaid", Set},
      {"qo_ip", Set}, {"qo_country_code", Set}, {"qo_country", Set}, {"qo_province", Set}, {"qo_city", Set},
      {"qo_last_paid_date", Set},
  };
  ASSERT_EQ(table.size(), 44u);
  for (const auto& [key, kind] : table) EXPECT_EQ(FindProfileSendKind(key), kind) << key;
  for (const char* key : {"", "qo_nickname", "QO_OS", "qo_os ", "qoc_ab", "$first_visit_time2"}) {
    EXPECT_EQ(FindProfileSendKind(key), std::nullopt) << key;
  }
}

TEST(ProfileMessages, WhatEachValueTypeAllowsUnderEachSendKind) {
  using enum ProfileSendKind;
  struct Case {
    const char* name;
    std::function<ProfileMessage()> make;
    std::string expected;  // the property as key:type=value, or the failure message
    std::string function;  // empty when the message is made
  };
  const DateTime moment{1700000000, 250};
  auto text = [](ProfileSendKind k) { return [k] { return MakeProfileMessage(k, "k", std::string("v")); }; };
  auto integer = [](ProfileSendKind k) { return [k] { return MakeProfileMessage(k, "k", std::int64_t{-3}); }; };
  auto number = [](ProfileSendKind k) { return [k] { return MakeProfileMessage(k, "k", 2.5); }; };
  auto time = [moment](ProfileSendKind k) { return [k, moment] { return MakeProfileMessage(k, "k", moment); }; };
  const std::string textRefusal = "user property [k] is string type value, it cannot be accumulated!";
  const std::string numberRefusal = "user property [k] is number value, it cannot be append to list!";
  const std::vector<Case> cases = {
      {"text, set once", text(SetOnce), "k:text=v"},
      {"text, increment", text(Increment), textRefusal, "ProfileUserPropertyString"},
      {"text, set", text(Set), "k:text=v"},
      {"text, append", text(Append), "k:list=[v]"},
      {"integer, set once", integer(SetOnce), "k:int=-3"},
      {"integer, increment", integer(Increment), "k:int=-3"},
      {"integer, set", integer(Set), "k:int=-3"},
      {"integer, append", integer(Append), numberRefusal, "ProfileUserPropertyNumber"},
      {"number, set once", number(SetOnce), "k:num=2.5"},
      {"number, increment", number(Increment), "k:num=2.5"},
      {"number, set", number(Set), "k:num=2.5"},
      {"number, append", number(Append), numberRefusal, "ProfileUserPropertyNumber"},
      {"date-time, set once", time(SetOnce), "k:time=1700000000.250"},
      {"date-time, increment", time(Increment), "user property [k] is date time value, it cannot be accumulated!",
       "ProfileUserPropertyDateTime"},
      {"date-time, set", time(Set), "k:time=1700000000.250"},
      {"date-time, append", time(Append), "user property [k] is date time value, it cannot be append to list!",
       "ProfileUserPropertyDateTime"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.function.empty()) {
      const ProfileMessage message = c.make();
      EXPECT_EQ(Typed(message.properties), c.expected);
      EXPECT_EQ(message.key, "k");
    } else {
      EXPECT_EQ(FailureOf([&] { c.make(); }), (Failure{c.expected, "NativeUserTracker", c.function}));
    }
  }
}

TEST(ProfileMessages, TheTableDecidesTheSendKind) {
  const ProfileMessage count = ProfileUserPropertyNumber("qo_paid_count", std::int64_t{1});
  EXPECT_EQ(count.kind, ProfileSendKind::Increment);
  EXPECT_EQ(Typed(count.properties), "qo_paid_count:int=1");
  const ProfileMessage first = ProfileUserPropertyString("$ios_install_source", "x");
  EXPECT_EQ(first.kind, ProfileSendKind::SetOnce);
  EXPECT_EQ(ProfileUserPropertyDateTime("qo_last_visit_date", DateTime{5, 0}).kind, ProfileSendKind::Set);

  EXPECT_EQ(FailureOf([] { ProfileUserPropertyString("qo_visit_count", "1"); }),
            (Failure{"user property [qo_visit_count] is string type value, it cannot be accumulated!",
                     "NativeUserTracker", "ProfileUserPropertyString"}));
  EXPECT_EQ(FailureOf([] { ProfileUserPropertyDateTime("qo_consumption", DateTime{}); }),
            (Failure{"user property [qo_consumption] is date time value, it cannot be accumulated!",
                     "NativeUserTracker", "ProfileUserPropertyDateTime"}));
  const struct {
    std::function<void()> call;
    const char* function;
  } unsupported[] = {
      {[] { ProfileUserPropertyString("nick", "x"); }, "ProfileUserPropertyString"},
      {[] { ProfileUserPropertyNumber("nick", std::int64_t{1}); }, "ProfileUserPropertyNumber"},
      {[] { ProfileUserPropertyNumber("nick", 1.5); }, "ProfileUserPropertyNumber"},
      {[] { ProfileUserPropertyDateTime("nick", DateTime{}); }, "ProfileUserPropertyDateTime"},
  };
  for (const auto& u : unsupported) {
    EXPECT_EQ(FailureOf(u.call), (Failure{"Not supported user property [nick]!", "NativeUserTracker", u.function}));
  }
}

TEST(ProfileMessages, TheProfilesThatFollowActivityLaunchAndPayment) {
  auto describe = [](const std::vector<ProfileMessage>& messages) {
    std::vector<std::string> lines;
    for (const ProfileMessage& m : messages) {
      lines.push_back(std::to_string(static_cast<int>(m.kind)) + " " + Typed(m.properties));
    }
    return lines;
  };
  const DateTime now = DateTimeFromMillis(1700000000123);
  const std::vector<std::string> visits = {
      "1 $first_visit_time:time=1700000000.123",
      "1 qo_first_visit_date:time=1700000000.123",
      "3 qo_last_visit_date:time=1700000000.123",
  };
  EXPECT_EQ(describe(VisitDateProfile(now)), visits);

  std::vector<std::string> device = visits;
  device.insert(device.end(), {
                                  "3 qo_os:text=Windows",
                                  "3 qo_os_version:text=10",
                                  "3 qo_app_store:text=TaveloInstaller.exe",
                                  "3 qo_app_platform:text=Windows",
                                  "3 qo_last_app_id:text=Tavelo.downloader",
                                  "3 qo_last_app_version:text=1.7.9",
                                  "1 $ios_install_source:text=android_id=123##imei=1234##mac=123",
                              });
  EXPECT_EQ(describe(DeviceProfile(InstallerFacts(), now)), device);

  const std::vector<std::string> payment = {
      "2 qo_paid_count:int=1",
      "2 qo_consumption:num=18.5",
      "1 qo_first_paid_date:time=1700000000.123",
      "3 qo_last_paid_date:time=1700000000.123",
  };
  EXPECT_EQ(describe(PaymentProfile(FullPayment(), now)), payment);
}

TEST(ProfileMessages, MillisecondsSplitIntoSecondsAndAMillisecondPart) {
  const struct {
    std::int64_t millis;
    std::int64_t seconds;
    int rest;
  } cases[] = {{0, 0, 0}, {1500, 1, 500}, {999, 0, 999}, {-1, -1, 999}, {-1000, -1, 0}, {-1001, -2, 999}};
  for (const auto& c : cases) {
    const DateTime t = DateTimeFromMillis(c.millis);
    EXPECT_EQ(t.seconds, c.seconds) << c.millis;
    EXPECT_EQ(t.millis, c.rest) << c.millis;
  }
}
