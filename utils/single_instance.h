// System-wide guard that keeps a second installer from running: a named mutex on Windows,
// a lock file held with flock elsewhere. Either dies with its process.
#pragma once

#include <cstdint>
#include <string>

namespace Utils {

class SingleInstanceGuard {
 public:
  explicit SingleInstanceGuard(std::wstring baseName) : baseName_(std::move(baseName)) {}
  ~SingleInstanceGuard() { Release(); }
  SingleInstanceGuard(const SingleInstanceGuard&) = delete;
  SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

  // Takes the guard unless it is held already; false when another holder has it or it
  // cannot be made.
  bool Acquire();
  bool Held() const { return handle_ != 0; }
  // Gives the guard up (release ownership, then close).
  void Release();

  // "D1A547DB89C0BC61_" followed by the base name.
  std::wstring Name() const { return L"D1A547DB89C0BC61_" + baseName_; }

 private:
  std::wstring baseName_;
  std::intptr_t handle_ = 0;
};

namespace guard_detail {
// Platform: a non-zero handle when taken, 0 otherwise.
std::intptr_t Take(const std::wstring& name);
void Give(std::intptr_t handle);
}  // namespace guard_detail

}  // namespace Utils
