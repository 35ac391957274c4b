// The output line protocol of setup packages and uninstallers: line assembly across reads,
// decoding per line, and the keys of both runners.
#include "pipeline/line_protocol.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <cwctype>

#include "utils/log.h"
#include "utils/text.h"

namespace pipeline {
namespace {

const wchar_t* SkipSpace(const wchar_t* text) {
  while (*text != L'\0' && std::iswspace(static_cast<wint_t>(*text))) ++text;
  return text;
}

// A number as "%lf" reads it; 0.0 when there is none, and for infinities and NaN, which
// no progress can be.
double ParseNumber(const std::wstring& text) {
  const wchar_t* start = SkipSpace(text.c_str());
  wchar_t* end = nullptr;
  const double value = std::wcstod(start, &end);
  if (end == start || !std::isfinite(value)) return 0.0;
  return value;
}

// A signed decimal integer as "%d" reads it, held to 32 bits; 0 when there is none. end,
// when given, points after the digits.
std::int32_t ParseInt32(const wchar_t* text, const wchar_t** end = nullptr, bool* found = nullptr) {
  const wchar_t* start = SkipSpace(text);
  wchar_t* stop = nullptr;
  errno = 0;
  long long value = std::wcstoll(start, &stop, 10);
  if (found != nullptr) *found = stop != start;
  if (end != nullptr) *end = stop;
  if (stop == start) return 0;
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  return static_cast<std::int32_t>(value);
}

// "%d.%d.%d": the numbers up to the first one that cannot be read are taken.
void ParseVersion(const std::wstring& text, InstalledVersion& version) {
  int* parts[] = {&version.major, &version.minor, &version.patch};
  const wchar_t* at = text.c_str();
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (*at != L'.') return;
      ++at;
    }
    bool found = false;
    const std::int32_t value = ParseInt32(at, &at, &found);
    if (!found) return;
    *parts[i] = value;
  }
}

unsigned EncodeCodePage(const std::wstring& value, EncodeRule rule) {
  if (value == L"UTF8") return Utils::kCodePageUtf8;
  if (rule == EncodeRule::kUtf8OrAnsi || value == L"ACP") return Utils::kCodePageAnsi;
  return static_cast<unsigned>(ParseInt32(value.c_str()));
}

double StartupStyle(const std::wstring& value) {
  if (value == L"AutoStartup") return 1;
  if (value == L"UserStartup") return 2;
  return 0;  // NonStartup, and every other word
}

}  // namespace

const ProtocolTable& PackageProtocol() {
  static const ProtocolTable table{
      {
          {L"Progress=", KeyAction::kProgress, 2002},
          {L"InstPath=", KeyAction::kText, 3000},
          {L"State=", KeyAction::kState, 2003, 0.0, 2004, L"安装包安装失败"},
          {L"InstallVersion=", KeyAction::kVersion},
          {L"ExePath=", KeyAction::kLoggedText, 3001},
          {L"StartExe=", KeyAction::kText, 3001},
          {L"UninstExePath=", KeyAction::kText, 3002},
          {L"UninstExe=", KeyAction::kText, 3002},
          {L"UninstEp=", KeyAction::kText, 3003},
          {L"Error=", KeyAction::kError, 2004, 1000.0},
          {L"TopShowDetention=", KeyAction::kCount, 3007},
          {L"FinsihCloseDetention=", KeyAction::kCount, 3008},
          {L"StartUrl=", KeyAction::kText, 3004},
          {L"StartupStyle=", KeyAction::kStartupStyle, 3005},
          {L"Encode=", KeyAction::kEncode},
          {L"Message=", KeyAction::kText, 3009},
      },
      EncodeRule::kFull};
  return table;
}

const ProtocolTable& UninstallerProtocol() {
  static const ProtocolTable table{
      {
          {L"Progress=", KeyAction::kProgress, 5002},
          {L"Error=", KeyAction::kError, 5005, 0.0},
          {L"State=", KeyAction::kState, 5003, 0.0, 5005, L"安装包卸载失败"},
          {L"Encode=", KeyAction::kEncode},
      },
      EncodeRule::kUtf8OrAnsi};
  return table;
}

void LineProtocolReader::Feed(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t feed = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, feed);
    // Only the beginning of an overlong line is kept: a child that never ends its line
    // costs no more than kLineKeep bytes.
    const std::size_t room = kLineKeep - pending_.size();
    pending_.append(piece.substr(0, room));
    if (piece.size() > room) pendingCut_ = true;
    if (feed == std::string_view::npos) return;
    HandleLine(pending_, pendingCut_);
    pending_.clear();
    pendingCut_ = false;
    bytes.remove_prefix(feed + 1);
  }
}

void LineProtocolReader::Finish() {
  if (!pending_.empty() || pendingCut_) HandleLine(pending_, pendingCut_);
  pending_.clear();
  pendingCut_ = false;
}

void LineProtocolReader::Reset() {
  pending_.clear();
  pendingCut_ = false;
  result_ = false;
}

void LineProtocolReader::HandleLine(std::string_view bytes, bool cut) {
  // The line as a C string: a NUL byte ends it.
  const std::string text(bytes.substr(0, bytes.find('\0')));
  if (text.empty()) return;
  // Undecodable in the current code page: the line is ignored.
  const std::wstring line = Utils::ToWide(text, codePage_);
  for (const ProtocolKey& key : table_.keys) {
    if (line.compare(0, key.key.size(), key.key) == 0) {
      Handle(key, std::wstring_view(line).substr(key.key.size()), cut);
      return;
    }
  }
}

void LineProtocolReader::Handle(const ProtocolKey& key, std::wstring_view rest, bool cut) {
  const std::wstring value(rest);
  // The rest of the line as a text value, trailing carriage return included; too long for
  // the value buffer: empty.
  const std::wstring text = cut || value.size() >= kValueCapacity ? std::wstring() : value;
  switch (key.action) {
    case KeyAction::kProgress:
      sink_(key.code, ParseNumber(value), L"");
      break;
    case KeyAction::kLoggedText:
      // Logged under the package runner's name: the line belongs to its run.
      WriteLogLine(L"CInstaller::Parse", __LINE__, true, L"ExePath: %ls", text.c_str());
      sink_(key.code, 0.0, text);
      break;
    case KeyAction::kText:
      sink_(key.code, 0.0, text);
      break;
    case KeyAction::kError:
      result_ = true;
      sink_(key.code, key.value, text);
      break;
    case KeyAction::kState: {
      const std::wstring state = Utils::Trim(text);
      if (state == L"Success") {
        result_ = true;
        sink_(key.code, 0.0, L"");
      } else if (state == L"Fail") {
        result_ = true;
        sink_(key.failCode, 0.0, std::wstring(key.failText));
      }
      break;
    }
    case KeyAction::kVersion:
      ParseVersion(value, version_);
      break;
    case KeyAction::kCount:
      // Sent as the unsigned 32-bit value: -1 is 4294967295.
      sink_(key.code, static_cast<double>(static_cast<std::uint32_t>(ParseInt32(value.c_str()))), L"");
      break;
    case KeyAction::kStartupStyle:
      sink_(key.code, StartupStyle(Utils::Trim(text)), L"");
      break;
    case KeyAction::kEncode:
      codePage_ = EncodeCodePage(Utils::Trim(text), table_.encodeRule);
      break;
  }
}

}  // namespace pipeline
