// The line protocol that setup packages and uninstallers print on their standard output
// ("Progress=0.5", "State=Success", "Error=...", ...): one reader for both runners, each
// with its own table of keys and event codes. Bytes go in as the child writes them; every
// whole line is decoded with the code page in force at that line and turned into events.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pipeline {

// What a line beginning with a key becomes.
enum class KeyAction {
  kProgress,      // the number after the key: event (code, number, "")
  kText,          // the rest of the line: event (code, 0.0, text)
  kError,         // the rest of the line: event (code, value, text); a final result
  kState,         // "Success": (code, 0.0, ""); "Fail": (failCode, 0.0, failText); final results
  kVersion,       // "major.minor.patch": kept, no event
  kCount,         // a 32-bit integer: event (code, its unsigned value, "")
  kStartupStyle,  // NonStartup 0, AutoStartup 1, UserStartup 2, other words 0: (code, that, "")
  kEncode,        // the code page of the following lines; no event
  kLoggedText,    // as kText, and the value is written to the log
};

// How an "Encode=" value sets the code page.
enum class EncodeRule {
  kFull,      // "UTF8" 65001, "ACP" 0, a number that code page, anything else 0
  kUtf8OrAnsi,  // "UTF8" 65001, anything else 0
};

struct ProtocolKey {
  std::wstring_view key{};  // matched at the start of a line, exactly
  KeyAction action = KeyAction::kText;
  int code = 0;
  double value = 0.0;          // kError's value
  int failCode = 0;            // kState
  std::wstring_view failText{};  // kState
};

struct ProtocolTable {
  std::vector<ProtocolKey> keys;  // the first key a line begins with is handled
  EncodeRule encodeRule = EncodeRule::kFull;
};

// The package runner's sixteen keys (events 2002-2004, 3000-3009) and the uninstaller's
// four (5002, 5003, 5005).
const ProtocolTable& PackageProtocol();
const ProtocolTable& UninstallerProtocol();

struct InstalledVersion {
  int major = 0, minor = 0, patch = 0;
};

class LineProtocolReader {
 public:
  using Sink = std::function<void(int code, double value, const std::wstring& text)>;

  // A value of this many characters or more is delivered as an empty text.
  static constexpr std::size_t kValueCapacity = 772;
  // Bytes kept of a line that has not ended yet; of a longer line only its beginning is
  // kept (enough for its key and any number), and its text value is empty.
  static constexpr std::size_t kLineKeep = 8192;

  LineProtocolReader(const ProtocolTable& table, Sink sink) : table_(table), sink_(std::move(sink)) {}

  // Bytes as they came from the child: every line they complete is handled, the rest is
  // kept for the next call.
  void Feed(std::string_view bytes);
  // The output has ended: a last piece without a line feed is a line too.
  void Finish();

  // A "State=" line with "Success" or "Fail", or an "Error=" line, was handled.
  bool HasResult() const { return result_; }
  // The code page of the next line (0: the system's ANSI code page); kept across runs.
  unsigned CodePage() const { return codePage_; }
  void SetCodePage(unsigned codePage) { codePage_ = codePage; }
  const InstalledVersion& Version() const { return version_; }
  // Forgets a result and any unfinished line, for a new run (the code page and the
  // version stay).
  void Reset();

 private:
  void HandleLine(std::string_view bytes, bool cut);
  void Handle(const ProtocolKey& key, std::wstring_view rest, bool cut);

  const ProtocolTable& table_;
  Sink sink_;
  std::string pending_;  // the unfinished line, at most kLineKeep bytes of it
  bool pendingCut_ = false;
  bool result_ = false;
  unsigned codePage_ = 0;
  InstalledVersion version_;
};

}  // namespace pipeline
