// Log line parsing for the tests: checks every fixed field of the prefix strictly.
#include "tests/support/log_line.h"

#include <cwctype>

namespace testsupport {
namespace {

// Reads at least `width` decimal digits at text[i].
bool Digits(const std::wstring& text, std::size_t& i, std::size_t width, unsigned long& value, bool exact) {
  const std::size_t start = i;
  value = 0;
  while (i < text.size() && std::iswdigit(static_cast<wint_t>(text[i])) && (!exact || i - start < width)) {
    value = value * 10 + static_cast<unsigned long>(text[i] - L'0');
    ++i;
  }
  return i - start >= width;
}

bool Expect(const std::wstring& text, std::size_t& i, const wchar_t* literal) {
  for (; *literal != L'\0'; ++literal, ++i) {
    if (i >= text.size() || text[i] != *literal) return false;
  }
  return true;
}

}  // namespace

LogLine ParseLogLine(const std::wstring& text) {
  LogLine l;
  l.raw = text;
  std::size_t i = 0;
  unsigned long v[9] = {};
  if (!Expect(text, i, L"<P") || !Digits(text, i, 5, v[0], false) || !Expect(text, i, L"><T") ||
      !Digits(text, i, 5, v[1], false) || !Expect(text, i, L"><") || !Digits(text, i, 4, v[2], true) ||
      !Expect(text, i, L"-") || !Digits(text, i, 2, v[3], true) || !Expect(text, i, L"-") ||
      !Digits(text, i, 2, v[4], true) || !Expect(text, i, L" ") || !Digits(text, i, 2, v[5], true) ||
      !Expect(text, i, L":") || !Digits(text, i, 2, v[6], true) || !Expect(text, i, L":") ||
      !Digits(text, i, 2, v[7], true) || !Expect(text, i, L".") || !Digits(text, i, 3, v[8], true) ||
      !Expect(text, i, L">(")) {
    return l;
  }
  // The function name runs to the ")<dddd>: " that follows it; lambda names hold parentheses.
  std::size_t close = std::wstring::npos;
  for (std::size_t k = i; k + 3 < text.size(); ++k) {
    if (text[k] != L')' || text[k + 1] != L'<') continue;
    std::size_t j = k + 2;
    unsigned long number = 0;
    if (Digits(text, j, 4, number, false) && Expect(text, j, L">: ")) {
      close = k;
      l.line = static_cast<int>(number);
      l.message = text.substr(j);
      break;
    }
  }
  if (close == std::wstring::npos) return l;
  l.function = text.substr(i, close - i);
  l.processId = v[0];
  l.threadId = v[1];
  l.year = static_cast<int>(v[2]);
  l.month = static_cast<int>(v[3]);
  l.day = static_cast<int>(v[4]);
  l.hour = static_cast<int>(v[5]);
  l.minute = static_cast<int>(v[6]);
  l.second = static_cast<int>(v[7]);
  l.millisecond = static_cast<int>(v[8]);
  l.ok = true;
  return l;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n') {
      lines.push_back(text.substr(start, i + 1 - start));
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace testsupport
