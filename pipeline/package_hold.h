// Keeps a downloaded package from being written, replaced or deleted from the moment its
// signature is checked until its run has ended, so the file that runs is the file checked.
#pragma once

#include <memory>
#include <string>

namespace pipeline {

class PackageHold {
 public:
  explicit PackageHold(const std::wstring& path);
  ~PackageHold();
  PackageHold(const PackageHold&) = delete;
  PackageHold& operator=(const PackageHold&) = delete;

  // False when the file could not be held: it is missing, or another program has it open
  // for writing or deleting.
  bool Held() const;

 private:
  struct File;
  std::unique_ptr<File> file_;
};

}  // namespace pipeline
