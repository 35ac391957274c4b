// Sets an environment variable of the test process for one scope; the children it starts
// inherit it (the stand-in programs read their behaviour from one).
#pragma once

#include <optional>
#include <string>

namespace testsupport {

class ScopedEnvironment {
 public:
  // An empty value removes the variable for the scope.
  ScopedEnvironment(const std::string& name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// Platform: the variable's value, nothing when unset; set or (for nothing) remove it.
std::optional<std::string> GetEnvironment(const std::string& name);
void SetEnvironment(const std::string& name, const std::optional<std::string>& value);

}  // namespace testsupport
