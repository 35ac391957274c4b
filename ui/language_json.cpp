// Reads "language.json" with a small JSON reader that keeps only what the texts need. It
// accepts exactly the documents jsoncpp's default reader accepted when it read this file
// (comments, trailing commas, text after the root value, a byte-order mark, its number and
// escape rules and its nesting limit), so a skin's file reads as it always has; the tests
// compare the two. It spares the executable the C++ streams that reader pulls in.
#include "ui/language_json.h"

#include <climits>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#include "utils/utf8.h"

namespace language_json {
namespace {

// Values nested deeper than this make the text no JSON.
constexpr std::size_t kMaxDepth = 1000;

enum class Token {
  kEnd, kObjectBegin, kObjectEnd, kArrayBegin, kArrayEnd, kComma, kColon,
  kString, kNumber, kTrue, kFalse, kNull, kComment, kError
};

// What the reader keeps of a value: its kind, and the content of a scalar.
struct Value {
  enum class Kind { kNull, kBool, kInt, kUInt, kReal, kString, kArray, kObject } kind = Kind::kNull;
  bool boolean = false;
  std::int64_t integer = 0;
  std::uint64_t unsignedInteger = 0;
  double real = 0;
  std::string text;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadHex4(const char*& at, const char* end, unsigned& value) {
  if (end - at < 4) return false;
  value = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = HexDigit(*at++);
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return true;
}

// The code point of a \u escape whose "\u" is behind `at`. A high surrogate takes the next
// escape's low ten bits, whatever that escape is; a lone low surrogate stands for itself.
bool ReadCodePoint(const char*& at, const char* end, unsigned& codePoint) {
  if (!ReadHex4(at, end, codePoint)) return false;
  if (codePoint < 0xD800 || codePoint > 0xDBFF) return true;
  if (end - at < 6 || at[0] != '\\' || at[1] != 'u') return false;
  at += 2;
  unsigned low = 0;
  if (!ReadHex4(at, end, low)) return false;
  codePoint = 0x10000 + ((codePoint & 0x3FF) << 10) + (low & 0x3FF);
  return true;
}

// The content of a string token (quotes included) with its escapes resolved.
bool DecodeString(std::string_view token, std::string& out) {
  out.clear();
  const char* at = token.data() + 1;
  const char* const end = token.data() + token.size() - 1;
  while (at != end) {
    const char c = *at++;
    if (c == '"') break;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (at == end) return false;
    switch (*at++) {
      case '"': out += '"'; break;
      case '/': out += '/'; break;
      case '\\': out += '\\'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'u': {
        unsigned codePoint = 0;
        if (!ReadCodePoint(at, end, codePoint)) return false;
        Utils::AppendCodePointUtf8(out, codePoint);
        break;
      }
      default: return false;
    }
  }
  return true;
}

// A number token that is no 64-bit integer, as a double in the C locale's notation. Text the
// conversion does not take whole, and numbers too large for a double, are no numbers.
bool DecodeReal(std::string_view token, double& value) {
  std::string text(token);
  const char* point = std::localeconv()->decimal_point;
  if (point != nullptr && std::string_view(point) != ".") {
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos) text.replace(dot, 1, point);
  }
  char* stop = nullptr;
  value = std::strtod(text.c_str(), &stop);
  return stop == text.c_str() + text.size() && !std::isinf(value);
}

// A number token: digits after an optional minus are an integer when their magnitude fits
// 64 bits (2^63 when negative); everything else is a double.
bool DecodeNumber(std::string_view token, Value& out) {
  const bool negative = token.front() == '-';
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : UINT64_MAX;
  std::uint64_t magnitude = 0;
  bool integral = true;
  for (const char c : token.substr(negative ? 1 : 0)) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (!IsDigit(c) || magnitude > (limit - digit) / 10) {
      integral = false;
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (!integral) {
    out.kind = Value::Kind::kReal;
    return DecodeReal(token, out.real);
  }
  if (negative) {
    out.kind = Value::Kind::kInt;
    out.integer = magnitude == limit ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
  } else if (magnitude <= static_cast<std::uint64_t>(INT64_MAX)) {
    out.kind = Value::Kind::kInt;
    out.integer = static_cast<std::int64_t>(magnitude);
  } else {
    out.kind = Value::Kind::kUInt;
    out.unsignedInteger = magnitude;
  }
  return true;
}

bool IsConvertibleToInt(const Value& value) {
  switch (value.kind) {
    case Value::Kind::kNull:
    case Value::Kind::kBool: return true;
    case Value::Kind::kInt: return value.integer >= INT_MIN && value.integer <= INT_MAX;
    case Value::Kind::kUInt: return value.unsignedInteger <= static_cast<std::uint64_t>(INT_MAX);
    case Value::Kind::kReal: return value.real >= INT_MIN && value.real <= INT_MAX;
    default: return false;
  }
}

int AsInt(const Value& value) {
  switch (value.kind) {
    case Value::Kind::kBool: return value.boolean ? 1 : 0;
    case Value::Kind::kInt: return static_cast<int>(value.integer);
    case Value::Kind::kUInt: return static_cast<int>(value.unsignedInteger);
    case Value::Kind::kReal: return static_cast<int>(value.real);
    default: return 0;
  }
}

// A double in 17 significant digits, always with a point or an exponent.
std::string RealText(double real) {
  char buffer[40];
  const int length = std::snprintf(buffer, sizeof buffer, "%.17g", real);
  std::string text(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
  for (char& c : text) {
    if (c == ',') c = '.';  // a locale's decimal comma
  }
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

// A value's text: a string itself, other scalars in their JSON form, containers nothing.
std::string AsText(Value&& value) {
  switch (value.kind) {
    case Value::Kind::kString: return std::move(value.text);
    case Value::Kind::kBool: return value.boolean ? "true" : "false";
    case Value::Kind::kInt: return std::to_string(value.integer);
    case Value::Kind::kUInt: return std::to_string(value.unsignedInteger);
    case Value::Kind::kReal: return RealText(value.real);
    default: return {};
  }
}

// An element of the root, as far as the texts need it.
struct Element {
  bool isObject = false;
  Value id;  // null when missing
  Value text;  // null when missing

  std::optional<Entry> ToEntry() && {
    if (!isObject || !IsConvertibleToInt(id)) return std::nullopt;
    return Entry{AsInt(id), AsText(std::move(text))};
  }
};

class Reader {
 public:
  Reader(std::string_view json, std::string_view member)
      : at_(json.data()), end_(json.data() + json.size()), member_(member) {
    if (json.substr(0, 3) == "\xEF\xBB\xBF") at_ += 3;  // a byte-order mark
  }

  std::optional<std::vector<Entry>> Read() {
    std::vector<Entry> entries;
    std::map<std::string, std::optional<Entry>> byName;
    Value root;
    const bool read = ReadValue(
        1, &root,
        [&](std::size_t depth) {
          std::optional<Entry> entry;
          if (!ReadElement(depth, entry)) return false;
          if (entry) entries.push_back(std::move(*entry));
          return true;
        },
        [&](std::string&& name, std::size_t depth) {
          std::optional<Entry> entry;
          if (!ReadElement(depth, entry)) return false;
          byName[std::move(name)] = std::move(entry);  // a later equal name replaces the element
          return true;
        });
    if (!read) return std::nullopt;
    for (auto& [name, entry] : byName) {
      if (entry) entries.push_back(std::move(*entry));
    }
    return entries;
  }

 private:
  char Take() { return at_ != end_ ? *at_++ : '\0'; }

  void SkipSpaces() {
    while (at_ != end_ && (*at_ == ' ' || *at_ == '\t' || *at_ == '\r' || *at_ == '\n')) ++at_;
  }

  void SkipDigits() {
    while (at_ != end_ && IsDigit(*at_)) ++at_;
  }

  bool Match(std::string_view rest) {
    if (static_cast<std::size_t>(end_ - at_) < rest.size() || std::string_view(at_, rest.size()) != rest) return false;
    at_ += rest.size();
    return true;
  }

  // The rest of a number token: digits, a fraction and an exponent, each part optional.
  void ReadNumberRest() {
    SkipDigits();
    if (at_ != end_ && *at_ == '.') {
      ++at_;
      SkipDigits();
    }
    if (at_ != end_ && (*at_ == 'e' || *at_ == 'E')) {
      ++at_;
      if (at_ != end_ && (*at_ == '+' || *at_ == '-')) ++at_;
      SkipDigits();
    }
  }

  // The rest of a string token: up to the first quote that no backslash escapes.
  bool ReadStringRest() {
    char c = '\0';
    while (at_ != end_) {
      c = Take();
      if (c == '\\') {
        Take();
      } else if (c == '"') {
        break;
      }
    }
    return c == '"';
  }

  // The rest of a comment: "//" to the end of the line, or "/*" to the next "*/". A "/*"
  // comment also ends at a "/" that is the text's last character.
  bool ReadCommentRest() {
    const char kind = Take();
    if (kind == '*') {
      while (end_ - at_ > 1) {
        if (Take() == '*' && *at_ == '/') break;
      }
      return Take() == '/';
    }
    if (kind != '/') return false;
    while (at_ != end_) {
      const char c = Take();
      if (c == '\n') break;
      if (c == '\r') {
        if (at_ != end_ && *at_ == '\n') ++at_;
        break;
      }
    }
    return true;
  }

  // The next token; `text` gets its characters. A zero character ends the text.
  Token Next(std::string_view& text) {
    SkipSpaces();
    const char* const start = at_;
    Token token = Token::kError;
    bool ok = true;
    switch (Take()) {
      case '{': token = Token::kObjectBegin; break;
      case '}': token = Token::kObjectEnd; break;
      case '[': token = Token::kArrayBegin; break;
      case ']': token = Token::kArrayEnd; break;
      case ',': token = Token::kComma; break;
      case ':': token = Token::kColon; break;
      case '"': token = Token::kString; ok = ReadStringRest(); break;
      case '/': token = Token::kComment; ok = ReadCommentRest(); break;
      case '0': case '1': case '2': case '3': case '4':
      case '5': case '6': case '7': case '8': case '9':
        token = Token::kNumber;
        ReadNumberRest();
        break;
      case '-': case '+':
        token = Token::kNumber;
        if (at_ != end_ && *at_ == 'I') {
          ++at_;  // "-Infinity" and "+Infinity" are no numbers
          ok = false;
        } else {
          ReadNumberRest();
        }
        break;
      case 't': token = Token::kTrue; ok = Match("rue"); break;
      case 'f': token = Token::kFalse; ok = Match("alse"); break;
      case 'n': token = Token::kNull; ok = Match("ull"); break;
      case '\0': token = Token::kEnd; break;
      default: ok = false; break;
    }
    text = std::string_view(start, static_cast<std::size_t>(at_ - start));
    return ok ? token : Token::kError;
  }

  Token NextBesidesComments(std::string_view& text) {
    Token token = Next(text);
    while (token == Token::kComment) token = Next(text);
    return token;
  }

  // Reads a value nested at `depth` (the root is 1) and keeps its kind and scalar content in
  // `out` when given. An array's elements go to onItem(depth), an object's members to
  // onMember(name, depth); each reads the value and says whether it could.
  template <typename OnItem, typename OnMember>
  bool ReadValue(std::size_t depth, Value* out, OnItem&& onItem, OnMember&& onMember) {
    if (depth > kMaxDepth) return false;
    Value scratch;
    Value& value = out != nullptr ? *out : scratch;
    std::string_view text;
    switch (NextBesidesComments(text)) {
      case Token::kObjectBegin: value.kind = Value::Kind::kObject; return ReadObjectRest(depth, onMember);
      case Token::kArrayBegin: value.kind = Value::Kind::kArray; return ReadArrayRest(depth, onItem);
      case Token::kNumber: return DecodeNumber(text, value);
      case Token::kString: value.kind = Value::Kind::kString; return DecodeString(text, value.text);
      case Token::kTrue: case Token::kFalse:
        value.kind = Value::Kind::kBool;
        value.boolean = text == "true";
        return true;
      case Token::kNull: value.kind = Value::Kind::kNull; return true;
      default: return false;
    }
  }

  // A value whose kind and scalar content go to `out` when given; what a container holds is
  // read only to check it.
  bool ReadScalar(std::size_t depth, Value* out) {
    return ReadValue(depth, out, [this](std::size_t d) { return ReadScalar(d, nullptr); },
                     [this](std::string&&, std::size_t d) { return ReadScalar(d, nullptr); });
  }

  // An element of the root: an object's "id" and its member in the language are kept.
  bool ReadElement(std::size_t depth, std::optional<Entry>& entry) {
    Element element;
    Value kind;
    const bool read = ReadValue(
        depth, &kind, [this](std::size_t d) { return ReadScalar(d, nullptr); },
        [&](std::string&& name, std::size_t d) {
          const bool isId = name == "id";
          const bool isText = name == member_;
          if (!isId && !isText) return ReadScalar(d, nullptr);
          Value value;
          if (!ReadScalar(d, &value)) return false;
          if (isId) element.id = value;  // a later "id" replaces an earlier one
          if (isText) element.text = std::move(value);
          return true;
        });
    if (!read) return false;
    element.isObject = kind.kind == Value::Kind::kObject;
    entry = std::move(element).ToEntry();
    return true;
  }

  // The elements of an array after its "[". A "]" may follow "[" or a comma directly (spaces
  // between, but no comments); after an element, comments may come before the "," or "]".
  template <typename OnItem>
  bool ReadArrayRest(std::size_t depth, OnItem& onItem) {
    for (;;) {
      SkipSpaces();
      if (at_ != end_ && *at_ == ']') {
        ++at_;
        return true;
      }
      if (!onItem(depth + 1)) return false;
      std::string_view text;
      const Token token = NextBesidesComments(text);
      if (token == Token::kArrayEnd) return true;
      if (token != Token::kComma) return false;
    }
  }

  // The members of an object after its "{". A "}" may come where a name would; comments may
  // come before a name, and after a value before its "," or "}". When comments follow a value,
  // the token after them is taken for the separator: anything but "}" is passed over.
  template <typename OnMember>
  bool ReadObjectRest(std::size_t depth, OnMember& onMember) {
    std::string_view text;
    std::string name;
    for (;;) {
      Token token = NextBesidesComments(text);
      if (token == Token::kObjectEnd) return true;
      if (token != Token::kString || !DecodeString(text, name)) return false;
      if (Next(text) != Token::kColon) return false;
      if (!onMember(std::move(name), depth + 1)) return false;
      token = Next(text);
      if (token == Token::kObjectEnd) return true;
      if (token == Token::kComment) {
        token = NextBesidesComments(text);
        if (token == Token::kObjectEnd) return true;
      } else if (token != Token::kComma) {
        return false;
      }
    }
  }

  const char* at_;
  const char* const end_;
  const std::string_view member_;
};

}  // namespace

std::optional<std::vector<Entry>> ReadEntries(std::string_view json, std::string_view member) {
  return Reader(json, member).Read();
}

}  // namespace language_json
