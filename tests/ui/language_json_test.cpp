// Reading "language.json": which texts the reader takes from a document, and which documents
// are no JSON. Every case also holds for jsoncpp's default reader, which read these files
// before: the table is checked against it too.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/language_entries_reference.h"
#include "ui/language_json.h"

namespace language_json {
void PrintTo(const Entry& entry, std::ostream* out) { *out << "{" << entry.id << ", \"" << entry.text << "\"}"; }
}  // namespace language_json

namespace {

using language_json::Entry;
using namespace std::string_literals;
using Entries = std::vector<Entry>;

struct Case {
  std::string json;
  std::optional<Entries> expected;
};

void ExpectReadAs(const std::vector<Case>& cases, const std::string& member) {
  for (const Case& c : cases) {
    EXPECT_EQ(language_json::ReadEntries(c.json, member), c.expected) << c.json;
    EXPECT_EQ(ReferenceLanguageEntries(c.json, member), c.expected) << "jsoncpp reads otherwise: " << c.json;
  }
}

std::string Nested(int depth) { return std::string(static_cast<std::size_t>(depth), '[') + std::string(static_cast<std::size_t>(depth), ']'); }

}  // namespace

TEST(LanguageJson, TextsComeInTheRootsOrder) {
  ExpectReadAs(
      {
          {R"([{"id":1,"x":"a"},{"id":2,"x":"b"},{"id":1,"x":"c"}])", Entries{{1, "a"}, {2, "b"}, {1, "c"}}},
          // An object's members by name; of equal names the last.
          {R"({"b":{"id":2,"x":"B"},"a":{"id":1,"x":"A"},"b":{"id":3,"x":"C"}})", Entries{{1, "A"}, {3, "C"}}},
          // Elements that are no objects carry no text.
          {R"([1,"s",[{"id":4,"x":"n"}],null,{"id":5,"x":"y"}])", Entries{{5, "y"}}},
          // A root that is no array or object has no elements.
          {R"("text")", Entries{}},
          {"5", Entries{}},
          {"[]", Entries{}},
      },
      "x");
}

TEST(LanguageJson, IdsAreIntegersOrCountAsThem) {
  ExpectReadAs(
      {
          {R"([{"x":"no id"},{"id":null,"x":"a"},{"id":true,"x":"b"},{"id":false}])",
           Entries{{0, "no id"}, {0, "a"}, {1, "b"}, {0, ""}}},
          // Reals in the int range are cut; other ids register nothing.
          {R"([{"id":2.9,"x":"a"},{"id":-0.5,"x":"b"},{"id":"7","x":"c"},{"id":2147483648,"x":"d"},)"
           R"({"id":-2147483648,"x":"e"},{"id":2147483647.5,"x":"f"},{"id":1e2,"x":"g"},{"id":[1]},{"id":{}}])",
           Entries{{2, "a"}, {0, "b"}, {-2147483647 - 1, "e"}, {100, "g"}}},
          // The last of equal names counts.
          {R"([{"id":1,"id":2,"x":"a","x":"b"}])", Entries{{2, "b"}}},
      },
      "x");
  // A language code may name the id itself.
  ExpectReadAs({{R"([{"id":3}])", Entries{{3, "3"}}}}, "id");
}

TEST(LanguageJson, TextsThatAreNoStringsTakeTheirJsonForm) {
  ExpectReadAs(
      {
          {R"([{"id":1,"x":12},{"id":2,"x":-3},{"id":3,"x":1.5},{"id":4,"x":1e21},{"id":5,"x":true},)"
           R"({"id":6,"x":null},{"id":7,"x":[1]},{"id":8,"x":{}},{"id":9,"x":18446744073709551615},)"
           R"({"id":10,"x":18446744073709551616},{"id":11,"x":+2},{"id":12,"x":0.1},{"id":13,"x":-},)"
           R"({"id":14,"x":-9223372036854775808},{"id":15,"x":-9223372036854775809},{"id":16,"x":007},)"
           R"({"id":17,"x":1E-400},{"id":18,"x":5.}])",
           Entries{{1, "12"}, {2, "-3"}, {3, "1.5"}, {4, "1e+21"}, {5, "true"}, {6, ""}, {7, ""}, {8, ""},
                   {9, "18446744073709551615"}, {10, "1.8446744073709552e+19"}, {11, "2.0"},
                   {12, "0.10000000000000001"}, {13, "0"}, {14, "-9223372036854775808"},
                   {15, "-9.2233720368547758e+18"}, {16, "7"}, {17, "0.0"}, {18, "5.0"}}},
      },
      "x");
}

TEST(LanguageJson, EscapesBecomeUtf8) {
  ExpectReadAs(
      {
          {R"([{"id":1,"x":"\u00e9\u4E2D\ud83d\ude00\"\\\/\b\f\n\r\t"}])",
           Entries{{1, "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\"\\/\b\f\n\r\t"}}},
          // A lone low surrogate stands for itself; a high one takes the next escape's low bits.
          {R"([{"id":1,"x":"\udc00"},{"id":2,"x":"\ud800\u0041"}])",
           Entries{{1, "\xED\xB0\x80"}, {2, "\xF0\x90\x81\x81"}}},
          {"[{\"id\":1,\"x\":\"raw\tbytes \xE4\xB8\xAD\"}]", Entries{{1, "raw\tbytes \xE4\xB8\xAD"}}},
      },
      "x");
}

TEST(LanguageJson, CommentsTrailingCommasAndTextAfterTheRootAreRead) {
  ExpectReadAs(
      {
          {"// the texts\r\n[ /* first */ {\"id\":1 /* b */ ,\"x\":\"a\",} , ] trailing text",
           Entries{{1, "a"}}},
          {"\xEF\xBB\xBF[{\"id\":1,\"x\":\"after a byte-order mark\"}]", Entries{{1, "after a byte-order mark"}}},
          // After comments that follow a value, one token is taken for the separator.
          {R"([{"id":1 /**/ "passed over" "x":"a"}])", Entries{{1, "a"}}},
          {"[{\"id\":1}]\0[{\"id\":2}]"s, Entries{{1, ""}}},
      },
      "x");
}

TEST(LanguageJson, TextThatIsNoJsonGivesNothing) {
  std::vector<Case> cases;
  for (const char* json :
       {"", "   ", "[", "[1,,2]", "[1 2]", R"({"a" /**/ : 1})", "[/**/]", "{'a':1}", "[NaN]", "[Infinity]",
        "[-Infinity]", "[+Infinity]", "[1e400]", "[-1e400]", "[1e]", "[1e+]", "[+]", "[.5]", "[-.]",
        R"(["\x"])", R"(["\u12"])", R"(["\u12g4"])", R"(["\ud800"])", R"(["\ud800\n\n"])", R"(["\ud800\t\u0041"])",
        R"(["abc])", "[tru]", "{1:2}", R"({"a"})", R"({"a":1 "b":2})", "/* open", "/x [1]", "[\"\\"}) {
    cases.push_back({json, std::nullopt});
  }
  ExpectReadAs(cases, "x");
}

TEST(LanguageJson, NestingEndsAtAThousandLevels) {
  ExpectReadAs(
      {
          {Nested(1000), Entries{}},
          {Nested(1001), std::nullopt},
          {"[{\"id\":7,\"x\":" + Nested(998) + "}]", Entries{{7, ""}}},
          {"[{\"id\":7,\"x\":" + Nested(999) + "}]", std::nullopt},
      },
      "x");
}
