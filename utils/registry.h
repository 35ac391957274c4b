// String values under the installer's own key, HKEY_CURRENT_USER "Software\ZelkorSoft\Tavelo"
// (a file-backed store of the same values on POSIX).
#pragma once

#include <string>

namespace Utils {

// Value types as the registry numbers them.
constexpr unsigned long kRegistryString = 1;        // REG_SZ
constexpr unsigned long kRegistryExpandString = 2;  // REG_EXPAND_SZ

// Stores text as a string value; true when stored.
bool WriteRegistryString(const std::wstring& name, const std::wstring& text);
// Reads a value: true with its text and type; false when the key or the value is missing.
// A value that is not a string type reads as an empty text with its type.
bool ReadRegistryString(const std::wstring& name, std::wstring& text, unsigned long& type);

}  // namespace Utils
