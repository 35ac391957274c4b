// COM initialised on the calling thread for the life of the object (nothing on POSIX).
#pragma once

namespace testsupport {
class ComScope {
 public:
  ComScope();
  ~ComScope();

 private:
  bool initialised_ = false;
};
}  // namespace testsupport
