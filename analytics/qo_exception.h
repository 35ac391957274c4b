// The tracker's own exception: a failed check or an unknown enumeration value, with the
// source unit, operation and line that raised it. The tracker's wrapper catches it.
#pragma once

#include <exception>
#include <string>

namespace usage::zelkor {

// Source unit names carried in QoException::file.
inline constexpr const char* kTrackerUnit = "UsageTrackerImpl";
inline constexpr const char* kContextUnit = "QoContextProperties";
inline constexpr const char* kUserTrackerUnit = "NativeUserTracker";

class QoException : public std::exception {
 public:
  QoException(std::string message, std::string file, std::string function, int line);

  const char* what() const noexcept override;
  const std::string& message() const { return message_; }
  const std::string& file() const { return file_; }
  const std::string& function() const { return function_; }
  int line() const { return line_; }

 private:
  std::string message_;
  std::string file_;
  std::string function_;
  int line_ = 0;
};

}  // namespace usage::zelkor
