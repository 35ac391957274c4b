// Property containers of the analytics SDK and their JSON form: utils::ObjectNode, an
// ordered map (keys in ascending byte order) from key to a typed value, and PropertiesNode,
// which never holds a nested object.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace usage_analytics {
namespace utils {

class ObjectNode {
 public:
  enum class ValueType { kNumber = 0, kInt = 1, kString = 2, kList = 3, kDateTime = 4, kBool = 5, kObject = 6 };

  struct DateTime {
    std::int64_t seconds = 0;  // since 1970-01-01 UTC
    int millis = 0;
  };

  struct Value {
    ValueType type = ValueType::kNumber;
    double number = 0.0;
    std::int64_t integer = 0;
    std::string text;  // UTF-8
    std::vector<std::string> list;
    DateTime dateTime;
    bool boolean = false;
    std::shared_ptr<const ObjectNode> object;
  };

  ObjectNode() = default;
  ObjectNode(const ObjectNode&) = default;
  ObjectNode& operator=(const ObjectNode&) = default;
  virtual ~ObjectNode() = default;

  // Each setter replaces a value of the same key.
  void SetNumber(const std::string& key, double value);
  void SetInt(const std::string& key, std::int64_t value);
  // Checked before storing: more than 8192 bytes, or not well-formed (printable ASCII and
  // UTF-8 sequences only), is reported on standard error and not stored.
  void SetString(const std::string& key, const std::string& value);
  void SetString(const std::string& key, const char* value);
  void SetBool(const std::string& key, bool value);
  void SetList(const std::string& key, const std::vector<std::string>& values);
  void SetDateTime(const std::string& key, std::int64_t seconds, int millis);
  virtual void SetObject(const std::string& key, const ObjectNode& node);
  // Copies every entry of other over this node.
  void Merge(const ObjectNode& other);

  bool Has(const std::string& key) const;
  const Value* Find(const std::string& key) const;  // null when absent
  void Remove(const std::string& key);
  const std::map<std::string, Value>& Values() const { return values_; }

  // The JSON text of this node: no blanks, numbers with six significant digits, only the
  // escapes \b \t \n \f \r \" \\ in texts, date-times as quoted local time with milliseconds.
  std::string ToJson() const;

 private:
  std::map<std::string, Value> values_;
};

}  // namespace utils

class PropertiesNode : public utils::ObjectNode {
 public:
  // A property set never holds a nested object.
  void SetObject(const std::string& key, const utils::ObjectNode& node) override;
};

}  // namespace usage_analytics
