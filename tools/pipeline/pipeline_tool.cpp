// Runs one installation through the orchestrator, as the window will, and prints every
// event as one line "EVENT <code> <value> <text>" (text in UTF-8):
//   pipeline --url URL --dir DIR [--old-uninstaller PATH | --previous] [--type N] [--lang CODE]
// --previous takes the old uninstaller from the recorded installation, unless the target
// folder's set.ini keeps that installation. Events are handled on the main thread, as the
// window handles them: the settings file at 2001, the records after 2003. Exit code 0
// after 2003, 1 after a final failure (1004, 2004, 5004, 5005), 2 for bad arguments.
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>

#include "pipeline/download_installer.h"
#include "pipeline/install_record.h"
#include "pipeline/package_runner.h"
#include "pipeline/uninstaller_runner.h"
#include "startup/installer_config.h"
#include "startup/number_text.h"
#include "tools/entry/tool_main.h"
#include "utils/text.h"

namespace {

constexpr const char kUsage[] =
    "usage: pipeline --url URL --dir DIR [--old-uninstaller PATH | --previous] [--type N] [--lang CODE]\n";

struct Event {
  int code;
  double value;
  std::wstring text;
};

// Events from the stages' workers, handed to the main thread.
class EventQueue {
 public:
  EventCallback Callback() {
    return [this](int code, double value, const wchar_t* text) {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back({code, value, text != nullptr ? text : L""});
      changed_.notify_one();
    };
  }
  Event Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !events_.empty(); });
    Event e = std::move(events_.front());
    events_.pop_front();
    return e;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Event> events_;
};

void Print(const Event& e) {
  char head[64];
  std::snprintf(head, sizeof head, "EVENT %d %.10g ", e.code, e.value);
  const std::string line = head + Utils::ToNarrow(e.text, Utils::kCodePageUtf8) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

// The empty-path download report is a warning inside a run that goes on.
bool IsFinal(const Event& e) {
  switch (e.code) {
    case IST_CODE_SUCCESS:
    case IST_CODE_FAIL:
    case UNIST_CODE_FAIL:
    case UNIST_CODE_ERROR:
      return true;
    case DL_CODE_FAIL:
      return !e.text.empty();
    default:
      return false;
  }
}

struct Options {
  std::map<std::wstring, std::wstring> values;
  bool previous = false;
};

bool ParseOptions(const std::vector<std::wstring>& args, Options& options) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == L"--previous") {
      options.previous = true;
    } else if (args[i].rfind(L"--", 0) == 0 && i + 1 < args.size()) {
      options.values[args[i]] = args[i + 1];
      ++i;
    } else {
      return false;
    }
  }
  return options.values.count(L"--url") == 1 && options.values.count(L"--dir") == 1;
}

std::wstring OldUninstaller(const Options& options, const std::wstring& dir) {
  if (options.values.count(L"--old-uninstaller")) return options.values.at(L"--old-uninstaller");
  if (!options.previous) return L"";
  const pipeline::InstallRecord record = pipeline::ReadInstallRecord();
  return pipeline::KeepsPreviousInstall(record.installDir, dir) ? L"" : record.uninstallerPath;
}

}  // namespace

int ToolMain(const std::vector<std::wstring>& args) {
  Options options;
  std::int32_t type = 1;
  if (!ParseOptions(args, options) ||
      (options.values.count(L"--type") && !ParseLeadingInt32(options.values[L"--type"], type))) {
    std::fputs(kUsage, stdout);
    return 2;
  }
  g_InstallerConfig.DownloadType = type;
  std::wstring installDir = options.values[L"--dir"];
  std::wstring uninstallerRecord;

  EventQueue queue;
  CDownloadInstaller orchestrator(queue.Callback(), L"", L"", L"", true, true, true);
  orchestrator.Configure(options.values[L"--url"], L"", OldUninstaller(options, installDir), installDir, true, true,
                         true, true, options.values[L"--lang"]);
  orchestrator.Start();
  Event e;
  do {
    e = queue.Next();
    Print(e);
    if (e.code == IST_CODE_START) pipeline::WriteInstallSettings(installDir);
    if (e.code == IST_CODE_INSTPATH) installDir = e.text;
    if (e.code == IST_CODE_UNINSTEP) uninstallerRecord = e.text;
  } while (!IsFinal(e));
  if (e.code != IST_CODE_SUCCESS) return 1;
  pipeline::WriteInstallRecord(installDir, uninstallerRecord);
  pipeline::WriteInstallSettings(installDir);
  return 0;
}
