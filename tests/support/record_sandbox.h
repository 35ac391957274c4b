// Gives a test the installation records to itself: no InstallPath or UnInstallEp value to
// begin with and none left behind, and APPDATA as it was once the test ends. Also ends a
// process the test started and no longer needs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace testsupport {

class RecordSandbox {
 public:
  RecordSandbox();
  ~RecordSandbox();
  RecordSandbox(const RecordSandbox&) = delete;
  RecordSandbox& operator=(const RecordSandbox&) = delete;

  // A fresh empty folder for APPDATA to name.
  std::wstring AppData() const;
  // Points APPDATA at a folder until the sandbox ends; true when set.
  bool SetAppData(const std::wstring& folder);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// Stops a running process at once; true when it was told to end.
bool EndProcess(std::uint32_t processId);

}  // namespace testsupport
