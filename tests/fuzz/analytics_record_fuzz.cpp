// Fuzz target of the analytics record builder: property sets from arbitrary keys and
// values, handed to the SDK with arbitrary names and ids. Every record staged must be strict
// JSON on one line, and every record the SDK accepted must hold the values it was given.
#include <json/json.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analytics/object_node.h"
#include "analytics/sdk.h"
#include "tests/analytics/record_reading.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace {

using usage_analytics::PropertiesNode;
using usage_analytics::Sdk;
using usage_analytics::utils::ObjectNode;

// Every record the target makes through AddEvent carries its number under this key, so the
// staged record can be matched with what was sent.
constexpr char kTag[] = "fuzz_record";
constexpr int kMaxOperations = 200;  // well under the queue's 1024 records
constexpr const char* kTypes[] = {"track",         "track_signup",      "profile_set",
                                  "profile_set_once", "profile_increment", "profile_append"};

void Require(bool condition, const char* what, const std::string& detail) {
  if (condition) return;
  std::fprintf(stderr, "analytics record fault: %s\n%s\n", what, detail.c_str());
  std::abort();
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return at_ < size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Text() {
    // The length byte is taken first: in one expression with size_ - at_, the compiler may
    // compute the remainder before the byte moves at_, one byte too many (GCC does).
    const std::size_t wanted = Byte();
    const std::size_t n = std::min(wanted, size_ - at_);
    std::string text(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return text;
  }
  std::string Key() {
    std::string key = Text();
    if (key == kTag) key += "_";  // the tag is the target's own
    return key;
  }
  std::uint64_t Bits(int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(Byte()) << (8 * i);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

struct Expected {
  std::string type;
  std::string eventName;
  std::string distinctId;
  std::string originalId;
  PropertiesNode sent;
};

// A staging folder of this process, removed at exit.
struct StagingFolder {
  StagingFolder() {
    path = std::filesystem::temp_directory_path() / ("analytics_record_fuzz_" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(path);
  }
  ~StagingFolder() {
    std::error_code ignored;  // leftovers in the temporary folder do no harm
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

const StagingFolder& Folder() {
  static const StagingFolder folder;
  return folder;
}

Json::Value ParseStrict(const std::string& text) {
  Json::Value value;
  std::string problem;
  const bool parsed = analytics_testing::ParseStrictObject(text, value, problem);
  Require(parsed, "not strict JSON", problem + " in " + text);
  return value;
}

bool IsVariableName(const std::string& name) {
  if (name.empty() || name.size() > 100) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '_';
    if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  return true;
}

bool AllKeysAreNames(const ObjectNode& node) {
  for (const auto& entry : node.Values()) {
    if (!IsVariableName(entry.first)) return false;
  }
  return true;
}

// "YYYY-MM-DD hh:mm:ss.mmm", the year as "%04d" writes it: at least four characters, more
// digits after 9999, a minus sign first before year 1 ("-208", "-008").
bool IsDateTimeText(const std::string& text) {
  static const std::string kRest = "-dd-dd dd:dd:dd.ddd";
  if (text.size() < 4 + kRest.size()) return false;
  const std::size_t yearLength = text.size() - kRest.size();
  for (std::size_t i = 0; i < yearLength; ++i) {
    if (!(text[i] >= '0' && text[i] <= '9') && !(i == 0 && text[i] == '-')) return false;
  }
  for (std::size_t i = 0; i < kRest.size(); ++i) {
    const char c = text[yearLength + i];
    if (kRest[i] == 'd' ? !(c >= '0' && c <= '9') : c != kRest[i]) return false;
  }
  return true;
}

bool SameValue(const ObjectNode::Value& sent, const Json::Value& written) {
  switch (sent.type) {
    case ObjectNode::ValueType::kNumber: {
      if (!written.isDouble() && !written.isIntegral()) return false;
      const double back = written.asDouble();  // six significant digits were written
      return std::abs(back - sent.number) <= 1e-5 * std::abs(sent.number) + 1e-300;
    }
    case ObjectNode::ValueType::kInt: return written.isInt64() && written.asInt64() == sent.integer;
    case ObjectNode::ValueType::kString: return written.isString() && written.asString() == sent.text;
    case ObjectNode::ValueType::kList: {
      if (!written.isArray() || written.size() != sent.list.size()) return false;
      for (Json::ArrayIndex i = 0; i < written.size(); ++i) {
        if (!written[i].isString() || written[i].asString() != sent.list[i]) return false;
      }
      return true;
    }
    case ObjectNode::ValueType::kDateTime: return written.isString() && IsDateTimeText(written.asString());
    case ObjectNode::ValueType::kBool: return written.isBool() && written.asBool() == sent.boolean;
    case ObjectNode::ValueType::kObject: return false;  // a property set holds none
  }
  return false;
}

void CheckRecord(const Json::Value& record, const Expected& expected, const std::string& line) {
  const bool isTrack = expected.type == "track" || expected.type == "track_signup";
  Require(record["type"].asString() == expected.type, "type", line);
  Require(record["distinct_id"].asString() == expected.distinctId, "distinct_id", line);
  Require(record.isMember("event") == isTrack, "event member", line);
  if (isTrack) Require(record["event"].asString() == expected.eventName, "event", line);
  Require(record.isMember("original_id") == (expected.type == "track_signup"), "original_id member", line);
  if (expected.type == "track_signup") Require(record["original_id"].asString() == expected.originalId, "original_id", line);
  const std::int64_t trackId = record["_track_id"].asInt64();
  Require(trackId >= 0 && trackId < 1000000000, "_track_id", line);
  const Json::Value& properties = record["properties"];
  for (const auto& [key, value] : expected.sent.Values()) {
    if (key == "$is_login_id") continue;  // the SDK's own when the identity is a login id
    if (key == "$time") {
      Require(record["time"].asInt64() == value.dateTime.seconds * 1000 + value.dateTime.millis, "time", line);
      Require(!properties.isMember(key), "$time left in properties", line);
    } else if (key == "$project") {
      Require(record["project"].asString() == value.text, "project", line);
      Require(!properties.isMember(key), "$project left in properties", line);
    } else {
      Require(properties.isMember(key) && SameValue(value, properties[key]), "property value", key + " in " + line);
    }
  }
}

std::vector<std::string> StagedLines(const std::wstring& file) {
  std::vector<std::string> lines;
  std::string problem;
  const bool taken = analytics_testing::TakeStagedLines(file, lines, problem);
  Require(taken, "staging file", problem);
  return lines;
}

void SetValue(Input& in, std::uint8_t op, PropertiesNode& node) {
  const std::string key = in.Key();
  switch (op) {
    case 0: node.SetString(key, in.Text()); break;
    case 1: node.SetInt(key, static_cast<std::int64_t>(in.Bits(8))); break;
    case 2: {
      const std::uint64_t bits = in.Bits(8);
      double number;
      std::memcpy(&number, &bits, sizeof(number));
      node.SetNumber(key, number);
      break;
    }
    case 3: node.SetBool(key, (in.Byte() & 1) != 0); break;
    case 4: {
      std::vector<std::string> items(in.Byte() % 4);
      for (std::string& item : items) item = in.Text();
      node.SetList(key, items);
      break;
    }
    default: {
      const auto seconds = static_cast<std::int64_t>(in.Bits(8));
      node.SetDateTime(key, seconds, static_cast<int>(static_cast<std::int32_t>(in.Bits(4))));
      break;
    }
  }
}

// Runs the operations of the input; returns the records AddEvent accepted, by number.
std::map<std::int64_t, Expected> RunOperations(Input& in) {
  std::map<std::int64_t, Expected> expected;
  PropertiesNode node;
  for (int count = 0; in.More() && count < kMaxOperations; ++count) {
    const std::uint8_t op = in.Byte() % 11;
    if (op < 6) {
      SetValue(in, op, node);
      continue;
    }
    // The compact text the track log keeps; keys are written as they are, so it is JSON
    // for the keys the SDK accepts.
    if (AllKeysAreNames(node)) ParseStrict(node.ToJson());
    switch (op) {
      case 6: {
        Expected e{kTypes[in.Byte() % 6], in.Text(), in.Text(), in.Text(), node};
        e.sent.SetInt(kTag, count);
        if (Sdk::AddEvent(e.type, e.eventName, e.sent, e.distinctId, e.originalId)) expected.emplace(count, e);
        break;
      }
      case 7:
        Sdk::RegisterSuperProperties(node);
        node = PropertiesNode();
        break;
      case 8: Sdk::Login(in.Text()); break;
      case 9: Sdk::Track(in.Text(), node); break;
      default: {
        Sdk::TrackInstallation(node);
        const std::string key = in.Key();
        Sdk::ProfileAppend(key, in.Text());
        break;
      }
    }
  }
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::wstring folder = Folder().path.wstring();
  const bool isLoginId = (in.Byte() & 1) != 0;
  if (!Sdk::Init(Utils::ToNarrow(folder, Utils::kCodePageUtf8), "http://127.0.0.1:9/collect", "fuzz-device", isLoginId))
    std::abort();
  std::map<std::int64_t, Expected> expected = RunOperations(in);
  Sdk::Shutdown();

  const std::wstring file = Utils::JoinPath(folder, Utils::ToWide(Sdk::kStagingFileName, Utils::kCodePageUtf8));
  for (const std::string& line : StagedLines(file)) {
    const Json::Value record = ParseStrict(line);
    for (const std::string& key : record["properties"].getMemberNames()) {
      Require(IsVariableName(key), "property key", line);
    }
    if (!record["properties"].isMember(kTag)) continue;  // made by an operation without an expectation
    const auto it = expected.find(record["properties"][kTag].asInt64());
    Require(it != expected.end(), "record twice or never accepted", line);
    CheckRecord(record, it->second, line);
    expected.erase(it);
  }
  Require(expected.empty(), "accepted record missing", std::to_string(expected.size()));
  return 0;
}
