// Points the POSIX registry store at a fresh folder for one test (the Windows build uses
// the prefix's real registry, where tests pick unique value names).
#pragma once

#include <memory>

namespace testsupport {

class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace testsupport
