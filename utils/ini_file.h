// INI (profile) files read and written with the Windows profile functions' observable
// rules: lines end at CR or LF, section and key names are compared folding only A-Z, ASCII
// blanks around names and values are dropped, one pair of enclosing quotes is dropped from a
// value, keys before any header belong to the nameless section, the first section and the
// first key of a name win, a key without '=' gives the fallback, and values are cut to the
// caller's buffer.
#pragma once

#include <cstddef>
#include <string>

namespace Utils {

// The value of key in section, or fallback when the file, the section or the key is
// missing or the key has no '='. Names, value and fallback end at their first NUL; the
// fallback loses its trailing spaces. At most capacity - 1 characters are returned, as
// from a buffer of capacity.
std::wstring ReadIniString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                           const std::wstring& fallback, std::size_t capacity = 260);

// Sets key in section to value: the first line of the key in the first section of that
// name gets the value, else the key is added at the end of that section, else a new section
// is added at the end of the file; the file is made when missing. False for an empty section
// or key name, or when the file cannot be read or written. Names and value end at their
// first NUL. The value is stored as given, so one with blanks or quotes around it reads back
// without them.
bool WriteIniString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value);

namespace ini_detail {
// The POSIX reader's and writer's steps over file text already decoded.

// Where a key stands in the text, as the lookup finds it.
struct IniKeySpot {
  bool sectionFound = false;
  // Just past the last non-blank line of the section (its header included), before that
  // line's line end: where a new key of the section goes.
  std::size_t sectionEnd = 0;
  bool keyFound = false;
  // The key's whole line, without its line end.
  std::size_t lineBegin = 0;
  std::size_t lineEnd = 0;
};
IniKeySpot LocateIniKey(const std::wstring& text, const std::wstring& section, const std::wstring& key);
// True with the key's value (blanks trimmed, up to a NUL, quotes still on) when the first
// section of that name holds the key with '='; false when the fallback applies.
bool FindIniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key, std::wstring& value);
// The fallback as the profile functions use it: up to a NUL, trailing spaces dropped.
std::wstring IniFallback(const std::wstring& fallback);
// What a buffer of capacity characters receives for value: one pair of enclosing quotes
// dropped and the text cut, with the Windows rule where the two meet.
std::wstring CopyIniValue(const std::wstring& value, std::size_t capacity);
// The text with key set to value in section (see WriteIniString); section and key not empty.
std::wstring SetIniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key,
                         const std::wstring& value);
}  // namespace ini_detail

}  // namespace Utils
