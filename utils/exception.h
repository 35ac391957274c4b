// The one exception type of the utilities: thrown by pipe and process creation only, and
// caught by the runners that start child processes.
#pragma once

#include <exception>
#include <string>

namespace Utils {

class Exception : public std::exception {
 public:
  Exception() = default;
  // The wide text is kept in the ANSI code page.
  explicit Exception(const std::wstring& message);
  ~Exception() override = default;
  const char* what() const noexcept override;

 private:
  std::string message_;
};

}  // namespace Utils
