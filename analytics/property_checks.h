// The SDK's input checks: well-formed texts, ids, names of events and property keys, and
// whole property sets. Every failed check is reported on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace usage_analytics {

namespace utils {
class ObjectNode;
}

constexpr std::size_t kMaxStringValueBytes = 8192;
constexpr std::size_t kMaxIdBytes = 255;
constexpr std::size_t kMaxNameBytes = 100;

// Writes one diagnostic to standard error in a single write, so lines of several threads
// do not interleave.
void ReportProblem(const std::string& text);

// Printable ASCII (0x20..0x7E) and complete, shortest-form UTF-8 sequences of code points
// up to U+10FFFF other than surrogates; nothing else, so control characters fail.
bool IsWellFormedText(std::string_view text);

// The check of a string value before it is stored under key: false (and reported) for
// more than kMaxStringValueBytes or a text that is not well-formed.
bool CheckStringValue(const std::string& key, const std::string& value);

// Identity texts ("Distinct ID", "Original ID"): 1..kMaxIdBytes bytes of well-formed text.
bool CheckId(const std::string& name, const std::string& value);

// Event names ("Event Name") and property keys ("Property Key"): 1..kMaxNameBytes bytes,
// a letter, '$' or '_' first, then letters, digits, '$' or '_'.
bool CheckName(const std::string& name, const std::string& value);

// The milliseconds since 1970 of a date-time, false when they do not fit 64 bits.
bool MillisSinceEpoch(std::int64_t seconds, int millis, std::int64_t& out);

// Every key passes CheckName; "$time", when present, is a date-time whose milliseconds fit
// 64 bits; "$project", when present, is a text. Stops at the first failure.
bool CheckPropertySet(const utils::ObjectNode& properties);

}  // namespace usage_analytics
