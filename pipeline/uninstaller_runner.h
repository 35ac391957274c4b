// UnInstaller: runs the previous installation's uninstaller silently on a worker thread and
// turns the lines it prints into events for its owner (5002-5005).
#pragma once

#include <memory>
#include <string>

#include "download/downloader.h"
#include "pipeline/line_protocol.h"

namespace Utils {
class Thread;
}

enum UninstallEvent : int {
  UNIST_CODE_START = 5001,     // understood by the owner; this runner never sends it
  UNIST_CODE_PROGRESS = 5002,  // 0.0 before the uninstaller starts, then each "Progress=" value
  UNIST_CODE_SUCCESS = 5003,   // 0.0: "State=Success"; 1.0: ended without a result line
  UNIST_CODE_FAIL = 5004,      // 1.0: no such file; 2.0: could not be started
  UNIST_CODE_ERROR = 5005,     // "State=Fail" or "Error="
};

class UnInstaller {
 public:
  UnInstaller(EventCallback callback, std::wstring uninstallerPath, std::wstring installDir);
  // Waits for a run in progress.
  ~UnInstaller();
  UnInstaller(const UnInstaller&) = delete;
  UnInstaller& operator=(const UnInstaller&) = delete;

  // Runs the uninstaller on a worker named "UnInstaller" and returns at once.
  void Start();

  // The command line for the given privilege answers.
  std::wstring BuildCommandLine(bool consoleUserIsAdmin, bool processIsAdmin) const;

 private:
  void Run();
  void Send(int code, double value, const wchar_t* text) const { callback_(code, value, text); }

  EventCallback callback_;
  std::wstring commandLine_;  // of the current run; read by its worker
  std::wstring uninstallerPath_;
  std::wstring installDir_;
  pipeline::LineProtocolReader reader_;
  std::unique_ptr<Utils::Thread> worker_;
};
