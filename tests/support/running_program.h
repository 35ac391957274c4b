// A copy of the probe program running under an image name a test chooses (the product's,
// the copied uninstaller's), ended and waited for when the object goes. Header-only: users
// link the utilities and the test support.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/record_sandbox.h"
#include "tests/support/temp_dir.h"
#include "utils/child_process.h"
#include "utils/folders.h"

namespace testsupport {

class RunningProgram {
 public:
  // probeFileName: the probe program's file name in the test program's own folder.
  RunningProgram(const std::wstring& probeFileName, const std::wstring& imageName) {
    const std::wstring testFolder = Utils::DirectoryOf(Utils::GetExecutablePath());
    path_ = Utils::JoinPath(dir_.WPath(), imageName);
    std::filesystem::copy_file(FsPath(Utils::JoinPath(testFolder, probeFileName)), FsPath(path_));
    child_.Start(L"\"" + path_ + L"\" sleep 60000 0");
  }
  ~RunningProgram() { Stop(); }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  std::uint32_t ProcessId() const { return child_.ProcessId(); }
  const std::wstring& Path() const { return path_; }
  // Ends the copy and waits until it is gone.
  void Stop() {
    if (stopped_) return;
    stopped_ = true;
    EXPECT_TRUE(EndProcess(child_.ProcessId()));
    child_.WaitForExit();
  }

 private:
  TempDir dir_;
  std::wstring path_;
  Utils::ChildProcess child_;
  bool stopped_ = false;
};

}  // namespace testsupport
