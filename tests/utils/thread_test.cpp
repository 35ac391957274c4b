// Utils::Thread: suspended start, resume, join, naming and the begin/end lines.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/log_line.h"
#include "tests/support/probe_runner.h"
#include "utils/thread.h"

TEST(Thread, StartsSuspendedAndRunsOnceResumed) {
  std::atomic<int> runs{0};
  Utils::Thread thread(&runs, L"ABDEF", [](void* p) {
    ++*static_cast<std::atomic<int>*>(p);
    return 7;  // ignored
  });
  ASSERT_TRUE(thread.Created());
  EXPECT_NE(thread.ThreadId(), 0xFFFFFFFFu);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(runs.load(), 0) << "the body must wait for Resume";
  EXPECT_TRUE(thread.Resume());
  EXPECT_FALSE(thread.Resume()) << "a second resume does nothing";
  thread.Join();
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(thread.ThreadId(), 0xFFFFFFFFu);
  thread.Join();  // a second join is harmless
}

TEST(Thread, DestroyedWithoutResumeNeitherHangsNorRunsTheBody) {
  std::atomic<int> runs{0};
  {
    Utils::Thread thread(&runs, L"never", [](void* p) {
      ++*static_cast<std::atomic<int>*>(p);
      return 0;
    });
    ASSERT_TRUE(thread.Created());
  }
  EXPECT_EQ(runs.load(), 0);
}

TEST(Thread, DebuggerNameIsTheNameOrTAndTheId) {
  Utils::Thread named(nullptr, L"ABDEF", [](void*) { return 0; });
  Utils::Thread unnamed(nullptr, L"", [](void*) { return 0; });
  EXPECT_EQ(named.DebuggerName(), "ABDEF");
  EXPECT_EQ(unnamed.DebuggerName(), "t" + std::to_string(unnamed.ThreadId()));
}

TEST(Thread, EveryThreadLogsOneBeginAndOneEndFromCallBack) {
  const auto captured = testsupport::CaptureLog(testsupport::ProbeCommand() + L" threads");
  ASSERT_EQ(captured.exitCode, 0u);
  unsigned long ids[2] = {0, 0};
  int begins = 0, ends = 0;
  std::vector<unsigned long> beginThreads, endThreads;
  for (const std::wstring& raw : captured.lines) {
    const auto l = testsupport::ParseLogLine(raw);
    ASSERT_TRUE(l.ok);
    if (l.message.rfind(L"ids ", 0) == 0) swscanf(l.message.c_str(), L"ids %lu %lu", &ids[0], &ids[1]);
    if (l.message.rfind(L"ran ", 0) == 0) EXPECT_EQ(l.message, L"ran 1 1\r\n");
    if (l.message == L"THREAD BEGIN\r\n" || l.message == L"THREAD END\r\n") {
      EXPECT_EQ(l.function, L"Utils::Thread::CallBack");
      (l.message == L"THREAD BEGIN\r\n" ? beginThreads : endThreads).push_back(l.threadId);
    }
  }
  begins = static_cast<int>(beginThreads.size());
  ends = static_cast<int>(endThreads.size());
  EXPECT_EQ(begins, 2);
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(beginThreads, (std::vector<unsigned long>{ids[0], ids[1]}));
  EXPECT_EQ(endThreads, beginThreads);
}
