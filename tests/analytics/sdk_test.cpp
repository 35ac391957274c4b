// Tests of the analytics SDK core: the JSON form of property sets, the checks of texts,
// names, ids and property sets, and the records each operation stages, read back from the
// staging file (and once from the stand-in collector) and parsed with jsoncpp.
#include <json/json.h>

#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "analytics/object_node.h"
#include "analytics/sdk.h"
#include "tests/analytics/record_reading.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace {

using usage_analytics::PropertiesNode;
using usage_analytics::Sdk;
using usage_analytics::utils::ObjectNode;

// Never contacted: these tests do not flush.
constexpr char kUnusedCollector[] = "http://127.0.0.1:9/collect?project=pc";
constexpr char kLib[] = R"("lib":{"$lib":"cpp","$lib_method":"code","$lib_version":"0.9"})";

std::string Captured(const std::function<void()>& action) {
  testing::internal::CaptureStderr();
  action();
  return testing::internal::GetCapturedStderr();
}

Json::Value ParseJson(const std::string& text) {
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string errors;
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << errors << " in " << text;
  return value;
}

// A record is strict JSON on one line.
Json::Value ParseRecord(const std::string& text) {
  Json::Value value;
  std::string problem;
  EXPECT_TRUE(analytics_testing::ParseStrictObject(text, value, problem)) << problem << " in " << text;
  return value;
}

std::set<std::string> Keys(const Json::Value& object) {
  const std::vector<std::string> names = object.getMemberNames();
  return {names.begin(), names.end()};
}

std::string LocalTimeText(std::int64_t seconds, int millis) {
  const std::time_t moment = static_cast<std::time_t>(seconds);
  const std::tm local = *std::localtime(&moment);  // the tests run on one thread here
  char text[96];
  std::snprintf(text, sizeof(text), "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis);
  return text;
}

// A time zone for one scope. The C runtime reads TZ again in localtime (not necessarily in
// its thread-safe forms), so a call follows every change.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const std::string& zone) : zone_(std::in_place, "TZ", zone) { Reload(); }
  ~ScopedTimeZone() {
    zone_.reset();
    Reload();
  }

 private:
  static void Reload() {
    const std::time_t epoch = 0;
    static_cast<void>(std::localtime(&epoch));  // only its side effect of reading TZ matters
  }
  std::optional<testsupport::ScopedEnvironment> zone_;
};

std::int64_t NowMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// ---- JSON form -------------------------------------------------------------------------

TEST(ObjectNodeJson, WritesEachValueTypeWithoutBlanks) {
  struct Case {
    const char* name;
    std::function<void(ObjectNode&)> set;
    std::string json;
  };
  const std::vector<Case> cases = {
      {"decimal", [](ObjectNode& n) { n.SetNumber("v", 12.5); }, R"({"v":12.5})"},
      {"fraction", [](ObjectNode& n) { n.SetNumber("v", 0.7); }, R"({"v":0.7})"},
      {"six digits", [](ObjectNode& n) { n.SetNumber("v", 1234567.0); }, R"({"v":1.23457e+06})"},
      {"whole", [](ObjectNode& n) { n.SetNumber("v", 100000.0); }, R"({"v":100000})"},
      {"small", [](ObjectNode& n) { n.SetNumber("v", -0.00001); }, R"({"v":-1e-05})"},
      {"zero", [](ObjectNode& n) { n.SetNumber("v", 0.0); }, R"({"v":0})"},
      {"int min", [](ObjectNode& n) { n.SetInt("v", std::numeric_limits<std::int64_t>::min()); },
       R"({"v":-9223372036854775808})"},
      {"int max", [](ObjectNode& n) { n.SetInt("v", std::numeric_limits<std::int64_t>::max()); },
       R"({"v":9223372036854775807})"},
      {"bools", [](ObjectNode& n) { n.SetBool("t", true), n.SetBool("f", false); }, R"({"f":false,"t":true})"},
      {"escapes", [](ObjectNode& n) { n.SetString("v", R"(say "hi" \ bye)"); }, R"({"v":"say \"hi\" \\ bye"})"},
      {"no other escapes", [](ObjectNode& n) { n.SetString("v", "a/b'<>&\u5B89\u88C5 \U0001F600~"); },
       "{\"v\":\"a/b'<>&\u5B89\u88C5 \U0001F600~\"}"},
      {"empty text", [](ObjectNode& n) { n.SetString("v", ""); }, R"({"v":""})"},
      {"zero-terminated text", [](ObjectNode& n) { n.SetString("v", static_cast<const char*>("abc")); },
       R"({"v":"abc"})"},
      {"list", [](ObjectNode& n) { n.SetList("v", {"a", "b\"c", "\u4E2D"}); }, "{\"v\":[\"a\",\"b\\\"c\",\"\u4E2D\"]}"},
      {"empty list", [](ObjectNode& n) { n.SetList("v", {}); }, R"({"v":[]})"},
      {"replaced", [](ObjectNode& n) { n.SetString("v", "x"), n.SetInt("v", 3); }, R"({"v":3})"},
  };
  for (const Case& c : cases) {
    ObjectNode node;
    c.set(node);
    EXPECT_EQ(node.ToJson(), c.json) << c.name;
  }
}

// Printed through the C library's printf: the same text as the locale-free conversion of
// the standard library, rounding and exponents included, on every platform.
TEST(ObjectNodeJson, NumbersAreTheSixDigitGeneralNotationOfTheCLocale) {
  for (double value : {0.1, 1e-7, 123456.5, 999999.5, 9999995.0, 1e21, -0.0, 5e-324, 1.7976931348623157e308,
                       0.000123456789, 2.5e-5, 1e-4, 1e16, -273.15, 65535.0}) {
    char expected[64];
    const auto end = std::to_chars(expected, expected + sizeof(expected), value, std::chars_format::general, 6).ptr;
    ObjectNode node;
    node.SetNumber("v", value);
    EXPECT_EQ(node.ToJson(), "{\"v\":" + std::string(expected, end) + "}") << value;
  }
}

TEST(ObjectNodeJson, KeysInByteOrderAndNestedObjects) {
  ObjectNode inner;
  inner.SetInt("z", 1);
  inner.SetString("a", "x");
  ObjectNode node;
  for (const char* key : {"b", "a1", "a", "_x", "$y", "B", "0"}) node.SetInt(key, 0);
  node.SetObject("obj", inner);
  inner.SetInt("later", 2);  // the node keeps its own copy
  EXPECT_EQ(node.ToJson(), R"({"$y":0,"0":0,"B":0,"_x":0,"a":0,"a1":0,"b":0,"obj":{"a":"x","z":1}})");
  EXPECT_EQ(ObjectNode().ToJson(), "{}");
}

TEST(ObjectNodeJson, DateTimeIsLocalTimeToTheMillisecond) {
  struct Case {
    std::int64_t seconds;
    int millis;
    std::int64_t expectSeconds;
    int expectMillis;
  };
  const std::vector<Case> cases = {
      {1700000000, 7, 1700000000, 7},
      {1718451045, 999, 1718451045, 999},
      {946684800, 0, 946684800, 0},
      {1700000000, 1500, 1700000001, 500},  // whole seconds in the milliseconds carry over
      {1700000000, -1, 1699999999, 999},
  };
  // Eight and a half hours east of UTC, so that a conversion in UTC or in whole hours shows.
  const ScopedTimeZone zone("<+0830>-08:30");
  for (const Case& c : cases) {
    const std::string expected = "{\"t\":" + LocalTimeText(c.expectSeconds, c.expectMillis) + "}";
    ObjectNode node;
    node.SetDateTime("t", c.seconds, c.millis);
    EXPECT_EQ(node.ToJson(), expected) << c.seconds;
  }
}

TEST(ObjectNodeJson, NonFiniteNumbersAreNotStored) {
  for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    ObjectNode node;
    node.SetNumber("v", 1.5);
    EXPECT_EQ(Captured([&] { node.SetNumber("v", bad); }), "Number property 'v' is not a finite number.\n");
    EXPECT_EQ(node.ToJson(), R"({"v":1.5})");
  }
}

TEST(PropertiesNodeTest, NeverHoldsANestedObject) {
  ObjectNode inner;
  inner.SetInt("x", 1);
  PropertiesNode properties;
  properties.SetObject("obj", inner);
  EXPECT_FALSE(properties.Has("obj"));

  // Merging a node that holds an object brings everything but the object.
  ObjectNode other;
  other.SetObject("obj", inner);
  other.SetString("name", "new");
  other.SetInt("count", 2);
  properties.SetString("name", "old");
  properties.SetBool("kept", true);
  properties.Merge(other);
  EXPECT_EQ(properties.ToJson(), R"({"count":2,"kept":true,"name":"new"})");

  // A plain node merges objects.
  ObjectNode plain;
  plain.Merge(other);
  EXPECT_EQ(plain.ToJson(), R"({"count":2,"name":"new","obj":{"x":1}})");
}

// ---- String value check ----------------------------------------------------------------

TEST(StringValueCheck, AcceptsPrintableAsciiAndWellFormedUtf8Only) {
  struct Case {
    const char* name;
    std::string value;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"printable ascii", " !~azAZ09\"\\", true},
      {"line feed", "a\nb", false},
      {"tab", "\t", false},
      {"unit separator", "\x1F", false},
      {"delete", "\x7F", false},
      {"two bytes low", "\xC2\x80", true},
      {"two bytes high", "\xDF\xBF", true},
      {"overlong C0", "\xC0\x80", false},
      {"overlong C1", "\xC1\xBF", false},
      {"E0 A0", "\xE0\xA0\x80", true},
      {"E0 9F overlong", "\xE0\x9F\xBF", false},
      {"E1 three bytes", "\xE1\x80\x80", true},
      {"ED 9F", "\xED\x9F\xBF", true},
      {"ED A0 surrogate", "\xED\xA0\x80", false},
      {"EF BF BF", "\xEF\xBF\xBF", true},
      {"F0 90", "\xF0\x90\x80\x80", true},
      {"F0 8F overlong", "\xF0\x8F\xBF\xBF", false},
      {"F3 four bytes", "\xF3\xBF\xBF\xBF", true},
      {"F4 8F", "\xF4\x8F\xBF\xBF", true},
      {"F4 90 beyond U+10FFFF", "\xF4\x90\x80\x80", false},
      {"F5", "\xF5\x80\x80\x80", false},
      {"lone continuation", "a\x80", false},
      {"truncated two", "a\xC2", false},
      {"truncated three", "\xE4\xB8", false},
      {"truncated four", "\xF0\x90\x80", false},
      {"bad continuation", "\xE4\x41\xAD", false},
      {"chinese", "\u5B89\u88C5\u5B8C\u6210", true},
      {"nul inside", std::string("a\0b", 3), false},
  };
  for (const Case& c : cases) {
    PropertiesNode node;
    const std::string err = Captured([&] { node.SetString("k", c.value); });
    EXPECT_EQ(node.Has("k"), c.accepted) << c.name;
    EXPECT_EQ(err, c.accepted ? "" : "String property 'k' is not valid UTF-8 string, value: " + c.value + "\n")
        << c.name;
  }
}

TEST(StringValueCheck, LimitsTextsTo8192Bytes) {
  std::string chinese;
  for (int i = 0; i < 2730; ++i) chinese += "\u4E2D";  // 8190 bytes
  struct Case {
    std::string value;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {std::string(8192, 'x'), true},
      {chinese + "xy", true},
      {std::string(8193, 'x'), false},
      {chinese + "xyz", false},
      {std::string(8193, '\n'), false},  // length is checked first
  };
  for (const Case& c : cases) {
    PropertiesNode node;
    node.SetString("k", "before");
    const std::string err = Captured([&] { node.SetString("k", c.value); });
    EXPECT_EQ(node.Find("k")->text, c.accepted ? c.value : "before") << c.value.size();
    EXPECT_EQ(err, c.accepted ? "" : "String property 'k' is too long, value: " + c.value + "\n") << c.value.size();
  }
}

TEST(StringValueCheck, ListItemsPassTheSameCheck) {
  PropertiesNode node;
  EXPECT_EQ(Captured([&] { node.SetList("k", {"ok", "a\x01"}); }),
            "String property 'k' is not valid UTF-8 string, value: a\x01\n");
  EXPECT_FALSE(node.Has("k"));
  node.SetList("k", {"ok", "\u4E2D"});
  EXPECT_EQ(node.Find("k")->list.size(), 2u);
}

// ---- The SDK -----------------------------------------------------------------------------

class SdkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder name outside every ANSI code page: the staging file must still be reached.
    folder_ = Utils::JoinPath(temp_.WPath(), testsupport::kNameOutsideAnsiCodePage);
    std::filesystem::create_directories(testsupport::FsPath(folder_));
    location_ = Utils::ToNarrow(folder_, Utils::kCodePageUtf8);
    ASSERT_TRUE(Sdk::Init(location_, kUnusedCollector, "device-1", false));
  }
  void TearDown() override { Sdk::Shutdown(); }

  std::wstring StagingFile() const {
    return Utils::JoinPath(folder_, Utils::ToWide(Sdk::kStagingFileName, Utils::kCodePageUtf8));
  }

  // Ends the instance and returns the lines it staged (then removes the file).
  std::vector<std::string> StagedLines() {
    Sdk::Shutdown();
    std::vector<std::string> lines;
    std::string problem;
    EXPECT_TRUE(analytics_testing::TakeStagedLines(StagingFile(), lines, problem)) << problem;
    return lines;
  }

  std::vector<Json::Value> Records() {
    std::vector<Json::Value> records;
    for (const std::string& line : StagedLines()) records.push_back(ParseRecord(line));
    return records;
  }

  void Restart(const std::string& distinctId, bool isLoginId) {
    Sdk::Shutdown();
    ASSERT_TRUE(Sdk::Init(location_, kUnusedCollector, distinctId, isLoginId));
  }

  testsupport::TempDir temp_;
  std::wstring folder_;
  std::string location_;
};

TEST_F(SdkTest, EventNamesAndPropertyKeysMustBeVariableNames) {
  const std::string tooLong = "The {} is empty or too long, max length is 100";
  const std::string invalid = "The {} need to be a valid variable name.";
  struct Case {
    std::string name;
    std::string message;  // "" when accepted; {} stands for the kind of name
  };
  const std::vector<Case> cases = {
      {std::string(100, 'a'), ""},
      {"_" + std::string(98, '9') + "$", ""},
      {"$SignIn", ""},
      {"Z", ""},
      {std::string(101, 'a'), tooLong},
      {"", tooLong},
      {"1abc", invalid},
      {"a-b", invalid},
      {"a b", invalid},
      {"\u5B89\u88C5", invalid},
  };
  auto withKind = [](std::string text, const std::string& kind) {
    const std::size_t at = text.find("{}");
    return at == std::string::npos ? text : text.replace(at, 2, kind);
  };
  std::vector<std::string> acceptedNames;
  for (const Case& c : cases) {
    bool added = false;
    EXPECT_EQ(Captured([&] { added = Sdk::AddEvent("track", c.name, PropertiesNode(), "device-1", ""); }),
              withKind(c.message, "Event Name"))
        << c.name;
    EXPECT_EQ(added, c.message.empty()) << c.name;
    if (added) acceptedNames.push_back(c.name);

    PropertiesNode properties;
    properties.SetInt(c.name, 1);
    EXPECT_EQ(Captured([&] { added = Sdk::AddEvent("track", "keyed", properties, "device-1", ""); }),
              withKind(c.message, "Property Key"))
        << c.name;
    EXPECT_EQ(added, c.message.empty()) << c.name;
    if (added) acceptedNames.push_back("keyed");
  }
  // A sign-up's event name is written into its record too.
  bool added = true;
  EXPECT_EQ(Captured([&] { added = Sdk::AddEvent("track_signup", "\xFF", PropertiesNode(), "u", "device-1"); }),
            "The Event Name need to be a valid variable name.");
  EXPECT_FALSE(added);
  std::vector<std::string> events;
  for (const Json::Value& record : Records()) events.push_back(record["event"].asString());
  EXPECT_EQ(events, acceptedNames);
}

TEST_F(SdkTest, IdsMustBeOneTo255BytesOfText) {
  Sdk::Shutdown();
  struct Case {
    std::string id;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"", "The Distinct ID is empty.\n"},
      {std::string(256, 'd'), "The Distinct ID is too long, max length is 255.\n"},
      {"dev\nice", "The Distinct ID is not valid UTF-8 string.\n"},
  };
  for (const Case& c : cases) {
    bool started = true;
    EXPECT_EQ(Captured([&] { started = Sdk::Init(location_, kUnusedCollector, c.id, false); }), c.message);
    EXPECT_FALSE(started);
    EXPECT_FALSE(Sdk::IsRunning());
  }
  const std::string longest(255, 'd');
  ASSERT_TRUE(Sdk::Init(location_, kUnusedCollector, longest, false));
  EXPECT_EQ(Captured([] { EXPECT_FALSE(Sdk::AddEvent("track_signup", "$SignUp", PropertiesNode(), "u", "")); }),
            "The Original ID is empty.\n");
  EXPECT_EQ(Captured([] { EXPECT_FALSE(Sdk::AddEvent("track", "e", PropertiesNode(), std::string(256, 'u'), "")); }),
            "The Distinct ID is too long, max length is 255.\n");
  Sdk::Track("ok", PropertiesNode());
  const std::vector<Json::Value> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["distinct_id"].asString(), longest);
}

TEST_F(SdkTest, PropertySetCheckDropsTheWholeEvent) {
  struct Case {
    const char* name;
    std::function<void(PropertiesNode&)> set;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"$time as text", [](PropertiesNode& p) { p.SetString("$time", "2024-01-01"); },
       "The property '$time' should be DateTime type.\n"},
      {"$time as integer", [](PropertiesNode& p) { p.SetInt("$time", 1700000000); },
       "The property '$time' should be DateTime type.\n"},
      {"$time beyond 64-bit milliseconds",
       [](PropertiesNode& p) { p.SetDateTime("$time", std::numeric_limits<std::int64_t>::max() / 100, 0); },
       "The property '$time' is out of range.\n"},
      {"$project as integer", [](PropertiesNode& p) { p.SetInt("$project", 7); },
       "The property '$project' should be String type.\n"},
      {"$project as list", [](PropertiesNode& p) { p.SetList("$project", {"x"}); },
       "The property '$project' should be String type.\n"},
      // The first failure ends the check: one message for two bad keys.
      {"two bad keys", [](PropertiesNode& p) { p.SetInt("1abc", 1), p.SetInt("2abc", 2); },
       "The Property Key need to be a valid variable name."},
  };
  for (const Case& c : cases) {
    PropertiesNode properties;
    properties.SetString("good", "value");
    c.set(properties);
    EXPECT_EQ(Captured([&] { Sdk::Track("dropped", properties); }), c.message) << c.name;
  }
  EXPECT_TRUE(Records().empty());
}

TEST_F(SdkTest, TrackRecordLayout) {
  PropertiesNode properties;
  properties.SetString("page", "\u6B22\u8FCE\u9875");
  properties.SetInt("count", 3);
  properties.SetNumber("ratio", 0.7);
  properties.SetBool("ok", true);
  properties.SetList("tags", {"\u4E2D", "b"});
  const std::int64_t before = NowMillis();
  Sdk::Track("QoEventClick", properties);
  const std::int64_t after = NowMillis();

  const std::vector<Json::Value> records = Records();
  ASSERT_EQ(records.size(), 1u);
  const Json::Value& r = records[0];
  EXPECT_EQ(Keys(r), (std::set<std::string>{"_track_id", "distinct_id", "event", "lib", "properties", "time", "type"}));
  EXPECT_EQ(r["type"].asString(), "track");
  EXPECT_EQ(r["event"].asString(), "QoEventClick");
  EXPECT_EQ(r["distinct_id"].asString(), "device-1");
  EXPECT_EQ(r["lib"]["$lib"].asString(), "cpp");
  EXPECT_EQ(r["lib"]["$lib_method"].asString(), "code");
  EXPECT_EQ(r["lib"]["$lib_version"].asString(), "0.9");
  const Json::Value& p = r["properties"];
  EXPECT_EQ(Keys(p), (std::set<std::string>{"$lib", "$lib_version", "count", "ok", "page", "ratio", "tags"}));
  EXPECT_EQ(p["$lib"].asString(), "cpp");
  EXPECT_EQ(p["$lib_version"].asString(), "0.9");
  EXPECT_EQ(p["page"].asString(), "\u6B22\u8FCE\u9875");
  EXPECT_EQ(p["count"].asInt64(), 3);
  EXPECT_DOUBLE_EQ(p["ratio"].asDouble(), 0.7);
  EXPECT_TRUE(p["ok"].asBool());
  ASSERT_EQ(p["tags"].size(), 2u);
  EXPECT_EQ(p["tags"][0].asString(), "\u4E2D");
  const std::int64_t time = r["time"].asInt64();
  EXPECT_GE(time, before);
  EXPECT_LE(time, after);
  // Two random digits, three random digits, then the last four digits of the time.
  const std::int64_t trackId = r["_track_id"].asInt64();
  EXPECT_GE(trackId, 0);
  EXPECT_LT(trackId, 1000000000);
  EXPECT_EQ(trackId % 10000, time % 10000);
}

TEST_F(SdkTest, TimeAndProjectComeFromTheirProperties) {
  PropertiesNode properties;
  properties.SetDateTime("$time", 1700000000, 123);
  properties.SetString("$project", "x");
  properties.SetString("page", "welcome");
  Sdk::Track("QoEventView", properties);
  PropertiesNode profile;
  profile.SetDateTime("$time", 1600000000, 5);
  profile.SetString("plan", "\u5E74\u5EA6");
  Sdk::ProfileSet(profile);

  const std::vector<std::string> lines = StagedLines();
  ASSERT_EQ(lines.size(), 2u);
  // The whole text, keys in byte order and no blanks; only the track id is random.
  const auto trackId = [](const std::string& line) { return ParseRecord(line)["_track_id"].asString(); };
  EXPECT_EQ(lines[0], "{\"_track_id\":" + trackId(lines[0]) +
                          ",\"distinct_id\":\"device-1\",\"event\":\"QoEventView\"," + kLib +
                          ",\"project\":\"x\",\"properties\":{\"$lib\":\"cpp\",\"$lib_version\":\"0.9\","
                          "\"page\":\"welcome\"},\"time\":1700000000123,\"type\":\"track\"}");
  EXPECT_EQ(lines[1], "{\"_track_id\":" + trackId(lines[1]) + ",\"distinct_id\":\"device-1\"," + kLib +
                          ",\"properties\":{\"plan\":\"\u5E74\u5EA6\"},\"time\":1600000000005,\"type\":\"profile_set\"}");
}

TEST_F(SdkTest, ProfileRecordsCarryOnlyTheirProperties) {
  Sdk::RegisterSuperProperties([] {
    PropertiesNode super;
    super.SetString("qo_app_id", "tavelo");
    return super;
  }());
  struct Case {
    std::function<void()> call;
    std::string type;
    std::string properties;
  };
  const std::vector<Case> cases = {
      {[] { Sdk::ProfileSet("name", std::string("\u5F20\u4E09")); }, "profile_set", "{\"name\":\"\u5F20\u4E09\"}"},
      {[] { Sdk::ProfileSet("level", std::int64_t{4}); }, "profile_set", R"({"level":4})"},
      {[] { Sdk::ProfileSetOnce("first", 2.5); }, "profile_set_once", R"({"first":2.5})"},
      {[] { Sdk::ProfileSetOnce("name", std::string("x")); }, "profile_set_once", R"({"name":"x"})"},
      {[] { Sdk::ProfileIncrement("launches", std::int64_t{1}); }, "profile_increment", R"({"launches":1})"},
      {[] { Sdk::ProfileIncrement("hours", 0.5); }, "profile_increment", R"({"hours":0.5})"},
      {[] { Sdk::ProfileSet("seen", ObjectNode::DateTime{1700000000, 42}); }, "profile_set",
       "{\"seen\":" + LocalTimeText(1700000000, 42) + "}"},
      {[] { Sdk::ProfileAppend("channels", "\u5B98\u7F51"); }, "profile_append", "{\"channels\":[\"\u5B98\u7F51\"]}"},
      {[] {
         PropertiesNode set;
         set.SetBool("vip", true);
         set.SetInt("age", 30);
         Sdk::ProfileIncrement(set);
       },
       "profile_increment", R"({"age":30,"vip":true})"},
  };
  for (const Case& c : cases) c.call();
  const std::vector<std::string> lines = StagedLines();
  ASSERT_EQ(lines.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Json::Value r = ParseRecord(lines[i]);
    EXPECT_EQ(r["type"].asString(), cases[i].type) << i;
    EXPECT_EQ(Keys(r), (std::set<std::string>{"_track_id", "distinct_id", "lib", "properties", "time", "type"})) << i;
    EXPECT_NE(lines[i].find(kLib), std::string::npos) << lines[i];
    EXPECT_NE(lines[i].find("\"properties\":" + cases[i].properties + ","), std::string::npos) << lines[i];
  }
}

TEST_F(SdkTest, SuperPropertiesGoIntoTrackRecordsUnderTheEventsOwn) {
  PropertiesNode super;
  super.SetString("qo_app_id", "tavelo");
  super.SetString("page", "from super");
  Sdk::RegisterSuperProperties(super);
  // A set that fails the check is refused whole.
  PropertiesNode bad;
  bad.SetString("qo_fine", "x");
  bad.SetString("1bad", "y");
  EXPECT_EQ(Captured([&] { Sdk::RegisterSuperProperties(bad); }), "The Property Key need to be a valid variable name.");
  PropertiesNode properties;
  properties.SetString("page", "own");
  Sdk::Track("QoEventView", properties);
  Sdk::ProfileSet("k", std::string("v"));

  const std::vector<Json::Value> records = Records();
  ASSERT_EQ(records.size(), 2u);
  const Json::Value& track = records[0]["properties"];
  EXPECT_EQ(Keys(track), (std::set<std::string>{"$lib", "$lib_version", "page", "qo_app_id"}));
  EXPECT_EQ(track["page"].asString(), "own");
  EXPECT_EQ(track["qo_app_id"].asString(), "tavelo");
  EXPECT_EQ(Keys(records[1]["properties"]), (std::set<std::string>{"k"}));
}

TEST_F(SdkTest, LoginSwitchesTheIdentity) {
  Sdk::Track("before", PropertiesNode());
  Sdk::Login("user-7");
  Sdk::Track("after", PropertiesNode());
  Sdk::ProfileSet("k", std::int64_t{1});
  // A login id that fails the id check changes nothing.
  EXPECT_EQ(Captured([] { Sdk::Login(""); }), "The Login ID is empty.\n");
  Sdk::Track("still", PropertiesNode());

  const std::vector<Json::Value> records = Records();
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0]["distinct_id"].asString(), "device-1");
  EXPECT_FALSE(records[0]["properties"].isMember("$is_login_id"));

  const Json::Value& signup = records[1];
  EXPECT_EQ(signup["type"].asString(), "track_signup");
  EXPECT_EQ(signup["event"].asString(), "$SignUp");
  EXPECT_EQ(signup["distinct_id"].asString(), "user-7");
  EXPECT_EQ(signup["original_id"].asString(), "device-1");
  EXPECT_EQ(Keys(signup["properties"]), (std::set<std::string>{"$lib", "$lib_version"}));

  for (std::size_t i = 2; i < records.size(); ++i) {
    EXPECT_EQ(records[i]["distinct_id"].asString(), "user-7") << i;
    EXPECT_TRUE(records[i]["properties"]["$is_login_id"].asBool()) << i;
    EXPECT_FALSE(records[i].isMember("original_id")) << i;
  }
  EXPECT_EQ(records[3]["type"].asString(), "profile_set");
}

TEST_F(SdkTest, InitKeepsTheFirstInstanceAndItsLoginFlag) {
  Restart("user-1", true);
  EXPECT_TRUE(Sdk::Init(location_, kUnusedCollector, "other", false));  // changes nothing
  Sdk::Track("e", PropertiesNode());
  const std::vector<Json::Value> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["distinct_id"].asString(), "user-1");
  EXPECT_TRUE(records[0]["properties"]["$is_login_id"].asBool());
}

TEST_F(SdkTest, TrackInstallationIsAnActivityEvent) {
  PropertiesNode properties;
  properties.SetString("channel", "\u5B98\u7F51");
  Sdk::TrackInstallation(properties);
  properties.SetString("$ios_install_source", "store");
  Sdk::TrackInstallation(properties);

  const std::vector<Json::Value> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["type"].asString(), "track");
  EXPECT_EQ(records[0]["event"].asString(), "QoEventActivity");
  EXPECT_EQ(Keys(records[0]["properties"]),
            (std::set<std::string>{"$ios_install_source", "$lib", "$lib_version", "channel"}));
  EXPECT_EQ(records[0]["properties"]["$ios_install_source"].asString(), "");
  EXPECT_EQ(records[0]["properties"]["channel"].asString(), "\u5B98\u7F51");
  EXPECT_EQ(records[1]["properties"]["$ios_install_source"].asString(), "store");
}

TEST_F(SdkTest, RejectedTextIsLeftOutOfTheEvent) {
  PropertiesNode properties;
  properties.SetString("kept", "a");
  EXPECT_EQ(Captured([&] { properties.SetString("reason", "line\nbreak"); }),
            "String property 'reason' is not valid UTF-8 string, value: line\nbreak\n");
  Sdk::Track("e", properties);
  const std::vector<Json::Value> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Keys(records[0]["properties"]), (std::set<std::string>{"$lib", "$lib_version", "kept"}));
}

TEST_F(SdkTest, NothingHappensWithoutAnInstance) {
  Sdk::Shutdown();
  EXPECT_FALSE(Sdk::IsRunning());
  PropertiesNode properties;
  properties.SetInt("k", 1);
  Sdk::Track("e", properties);
  Sdk::TrackInstallation(properties);
  Sdk::Login("user-1");
  Sdk::RegisterSuperProperties(properties);
  Sdk::ProfileSet(properties);
  Sdk::ProfileAppend("k", "v");
  EXPECT_FALSE(Sdk::AddEvent("track", "e", properties, "device-1", ""));
  EXPECT_FALSE(Sdk::FlushAll());
  Sdk::Shutdown();  // a second shutdown is harmless
  ASSERT_TRUE(Sdk::Init(location_, kUnusedCollector, "device-2", false));
  Sdk::Track("fresh", PropertiesNode());
  const std::vector<Json::Value> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["distinct_id"].asString(), "device-2");
  EXPECT_EQ(Keys(records[0]["properties"]), (std::set<std::string>{"$lib", "$lib_version"}));
}

TEST_F(SdkTest, TrackingThreadsAndLoginDoNotCorruptRecords) {
  constexpr int kThreads = 4;
  constexpr int kEach = 50;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) {
        PropertiesNode properties;
        properties.SetInt("thread", t);
        properties.SetString("text", "\u7EBF\u7A0B");
        Sdk::Track("QoEventTask", properties);
      }
    });
  }
  Sdk::Login("user-9");
  PropertiesNode super;
  super.SetString("qo_l10n_locale", "zh_CN");
  Sdk::RegisterSuperProperties(super);
  for (std::thread& thread : threads) thread.join();

  const std::vector<Json::Value> records = Records();
  ASSERT_EQ(records.size(), static_cast<std::size_t>(kThreads * kEach + 1));
  int tracked = 0;
  for (const Json::Value& r : records) {
    const std::string id = r["distinct_id"].asString();
    EXPECT_TRUE(id == "device-1" || id == "user-9") << id;
    if (r["event"].asString() != "QoEventTask") continue;
    ++tracked;
    EXPECT_EQ(r["properties"]["text"].asString(), "\u7EBF\u7A0B");
  }
  EXPECT_EQ(tracked, kThreads * kEach);
}

TEST_F(SdkTest, RecordsReachTheCollector) {
  testsupport::TestServer server;
  ASSERT_TRUE(server.Available()) << "the test servers are not running (run the test through ctest)";
  Sdk::Shutdown();
  const std::string url = Utils::ToNarrow(server.Url(L"/collect?project=pc"), Utils::kCodePageUtf8);
  ASSERT_TRUE(Sdk::Init(location_, url, "device-1", false));

  PropertiesNode properties;
  properties.SetString("result", "\u5B89\u88C5\u5B8C\u6210");
  Sdk::Track("QoEventTask", properties);
  Sdk::ProfileAppend("channels", "web");
  EXPECT_TRUE(Sdk::FlushAll());

  const Json::Value collected = ParseJson(server.Get("/_collected"));
  EXPECT_EQ(collected["posts"].asInt(), 1);
  const Json::Value& records = collected["records"];
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["event"].asString(), "QoEventTask");
  EXPECT_EQ(records[0]["properties"]["result"].asString(), "\u5B89\u88C5\u5B8C\u6210");
  EXPECT_EQ(records[1]["type"].asString(), "profile_append");
  EXPECT_EQ(records[1]["properties"]["channels"][0].asString(), "web");
  EXPECT_TRUE(StagedLines().empty());  // everything was sent, nothing staged
}

}  // namespace
