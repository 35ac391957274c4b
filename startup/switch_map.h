// Command-line switches "-name=value", by exact (case-sensitive) name; the first occurrence
// of a name wins. Arguments without "=" (or not starting with "-") are names with an empty
// value: the program path, bare words, switches written without "=".
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class SwitchMap {
 public:
  static SwitchMap FromArguments(const std::vector<std::wstring>& arguments);

  bool Contains(const std::wstring& name) const;
  // The value, or "" when absent.
  std::wstring GetString(const std::wstring& name) const;
  // The value's leading integer (saturated to 32 bits), 0 when absent or not a number.
  std::int32_t GetInt(const std::wstring& name) const;
  // True exactly when the value is "true".
  bool GetBool(const std::wstring& name) const;
  // The value's leading decimal number, or fallback when absent, not a number or not finite.
  double GetDouble(const std::wstring& name, double fallback) const;

 private:
  std::map<std::wstring, std::wstring> switches_;
};

// The process's own arguments, program path first: the command line split by
// CommandLineToArgvW on Windows, the arguments as given elsewhere.
std::vector<std::wstring> ProcessArguments();
// A command-line text split by the platform's loader rules.
std::vector<std::wstring> SplitCommandLineText(const std::wstring& commandLine);
