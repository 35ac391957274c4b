// Commands of the probe program used by the child-process, logging, thread and guard tests:
//   args ...              prints each argument as "[arg]\n" (UTF-8)
//   write N CODE          writes N bytes of a pattern, then exits with CODE at once
//   sleep MS CODE         sleeps, then exits with CODE
//   stderr TEXT           writes TEXT to standard error
//   log TEXT              writes one log line in line-end form, one in plain form
//   log-threads T N       T threads write N log lines each, at the same time
//   threads               runs a named ("ABDEF") and an unnamed Utils::Thread
//   grandchild MS         leaves a copy that holds the output open for MS, then writes "late"
//   lock NAME MS [crash]  takes the single-instance guard NAME, prints "held" or "busy",
//                         holds it MS milliseconds, then exits (or aborts with "crash")
#include "tools/childprobe/probe.h"
#include "tools/entry/std_streams.h"
#include "tools/entry/tool_main.h"

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "utils/folders.h"
#include "utils/log.h"
#include "utils/single_instance.h"
#include "utils/text.h"
#include "utils/thread.h"

using tools::SpawnDetached;
using tools::WriteErr;
using tools::WriteOut;

namespace {

long Number(const std::vector<std::wstring>& args, std::size_t i, long fallback) {
  return i < args.size() ? std::wcstol(args[i].c_str(), nullptr, 10) : fallback;
}

void SleepMs(long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int Write(long count, int code) {
  std::string block;
  for (long i = 0; i < count; ++i) block.push_back(static_cast<char>('a' + i % 26));
  WriteOut(block);
  return code;
}

int LogThreads(long threads, long lines) {
  std::vector<std::thread> workers;
  for (long t = 0; t < threads; ++t) {
    workers.emplace_back([lines, t] {
      for (long i = 0; i < lines; ++i) TLOGLN(L"worker %ld line %ld", t, i);
    });
  }
  for (std::thread& w : workers) w.join();
  return 0;
}

int Threads() {
  std::uint32_t seen[2] = {0, 0};
  Utils::Thread named(&seen[0], L"ABDEF", [](void* p) {
    *static_cast<std::uint32_t*>(p) = 1;
    return 0;
  });
  Utils::Thread unnamed(&seen[1], L"", [](void* p) {
    *static_cast<std::uint32_t*>(p) = 1;
    return 0;
  });
  TLOGLN(L"ids %u %u", named.ThreadId(), unnamed.ThreadId());
  named.Resume();
  named.Join();
  unnamed.Resume();
  unnamed.Join();
  TLOGLN(L"ran %u %u", seen[0], seen[1]);
  return 0;
}

int Lock(const std::vector<std::wstring>& args) {
  Utils::SingleInstanceGuard guard(args.size() > 2 ? args[2] : L"");
  const bool held = guard.Acquire();
  WriteOut(held ? "held\n" : "busy\n");
  SleepMs(Number(args, 3, 0));
  if (args.size() > 4 && args[4] == L"crash") std::abort();
  return held ? 0 : 1;
}

}  // namespace

int ProbeMain(const std::vector<std::wstring>& args) {
  const std::wstring command = args.size() > 1 ? args[1] : L"";
  if (command == L"args") {
    for (std::size_t i = 2; i < args.size(); ++i) WriteOut("[" + Utils::ToNarrow(args[i], Utils::kCodePageUtf8) + "]\n");
    return 0;
  }
  if (command == L"write") return Write(Number(args, 2, 0), static_cast<int>(Number(args, 3, 0)));
  if (command == L"sleep") {
    SleepMs(Number(args, 2, 0));
    return static_cast<int>(Number(args, 3, 0));
  }
  if (command == L"stderr" && args.size() > 2) {
    WriteErr(Utils::ToNarrow(args[2], Utils::kCodePageUtf8));
    return 0;
  }
  if (command == L"log" && args.size() > 2) {
    TLOGLN(L"%ls", args[2].c_str());
    TLOG(L"plain %ls %d%%\r\n", args[2].c_str(), 49);
    return 0;
  }
  if (command == L"log-threads") return LogThreads(Number(args, 2, 2), Number(args, 3, 100));
  if (command == L"threads") return Threads();
  if (command == L"grandchild") {
    if (!SpawnDetached({Utils::GetExecutablePath(), L"late", args.size() > 2 ? args[2] : L"500"})) return 3;
    WriteOut("parent\n");
    return 0;
  }
  if (command == L"late") {
    SleepMs(Number(args, 2, 500));
    WriteOut("late\n");
    return 0;
  }
  if (command == L"lock") return Lock(args);
  WriteErr("unknown command\n");
  return 2;
}

int ToolMain(const std::vector<std::wstring>& args) { return ProbeMain(args); }
