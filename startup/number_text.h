// Leading-number conversions used for INI values and switches: blanks skipped, optional
// sign, the longest numeric prefix, trailing text ignored. Numbers too large for their type
// never stop the installer: integers saturate, doubles that would not be finite are refused.
#pragma once

#include <cstdint>
#include <string>

// False when the text has no leading number; value then stays untouched.
bool ParseLeadingInt32(const std::wstring& text, std::int32_t& value);
enum class DoubleParse { kNoNumber, kParsed, kNotFinite };
// value is set only for kParsed; kNotFinite is a number too large for a double (1e999).
DoubleParse ParseLeadingDouble(const std::wstring& text, double& value);
