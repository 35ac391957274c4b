// The behaviours of the stand-in (behaviours.h), played for either role.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace standin {

// What a role prints and does in its normal run: the opening lines, the work, then either
// the result lines and "State=Success" or, when the work fails, the failure line.
struct Role {
  std::vector<std::string> opening;
  std::function<bool()> work;
  std::vector<std::string> results;
  std::string failure;
};

// Plays the named behaviour ("" is the normal run) and returns the exit code.
int Play(const std::string& behaviour, const Role& role);

}  // namespace standin
