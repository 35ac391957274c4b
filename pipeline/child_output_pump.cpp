// The read loop of both runners: never a read without a time limit, so that neither a
// silent child nor a descendant holding the pipe can keep a runner waiting after the
// child has gone.
#include "pipeline/child_output_pump.h"

#include <memory>
#include <string_view>

#include "utils/exception.h"

namespace pipeline {
namespace {

using Clock = std::chrono::steady_clock;

// Between exit checks while the child runs; a child that writes is read at once.
constexpr std::chrono::milliseconds kExitCheckInterval{250};
constexpr std::size_t kReadSize = 1024;

}  // namespace

bool RunChildReading(const std::wstring& commandLine, LineProtocolReader& reader, AfterResult afterResult) {
  std::unique_ptr<Utils::ChildProcess> child;
  try {
    child = std::make_unique<Utils::ChildProcess>();
    child->Start(commandLine, Utils::ChildProcess::ErrorOutput::kDiscard);
  } catch (const Utils::Exception&) {
    return false;
  }
  reader.Reset();
  PumpChildOutput(*child, reader, afterResult);
  child->WaitForExit();  // its exit code means nothing to the runners
  return true;
}

void PumpChildOutput(Utils::ChildProcess& child, LineProtocolReader& reader, AfterResult afterResult) {
  const auto dropping = [&] { return afterResult == AfterResult::kDrain && reader.HasResult(); };
  char buffer[kReadSize];
  bool exited = false;
  Clock::time_point deadline{};
  for (;;) {
    std::chrono::milliseconds wait = kExitCheckInterval;
    if (exited) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      wait = left;
    }
    std::size_t got = 0;
    const auto status = child.ReadOutputWithin(buffer, sizeof(buffer), wait, got);
    if (status == Utils::ChildProcess::ReadStatus::kData && !dropping()) reader.Feed(std::string_view(buffer, got));
    if (status == Utils::ChildProcess::ReadStatus::kEnd) break;
    std::uint32_t exitCode = 0;
    if (!exited && child.TryGetExitCode(exitCode)) {
      exited = true;
      deadline = Clock::now() + kReadAfterExit;
    }
  }
  if (!dropping()) reader.Finish();
}

}  // namespace pipeline
