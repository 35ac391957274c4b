// The texts of one language in "language.json": for each element of the root that is an object
// with an integer "id", that id and the element's text in the language.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace language_json {

struct Entry {
  int id = 0;
  std::string text;  // UTF-8

  bool operator==(const Entry& other) const { return id == other.id && text == other.text; }
};

// The entries in the root's order (an array's elements; an object's members by name, the last
// of equal names), or nothing when the text is no JSON. `member` names the language's text in
// each element. An element without "id", or whose "id" is null, false or true, counts as id 0,
// 0 or 1; a real id is cut to an integer. A missing text, or one that is an array or an object,
// is empty; numbers and true/false are their JSON form.
std::optional<std::vector<Entry>> ReadEntries(std::string_view json, std::string_view member);

}  // namespace language_json
