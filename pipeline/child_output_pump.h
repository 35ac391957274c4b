// Reads a running child's standard output into a protocol reader until the output ends:
// shared by the package runner and the uninstaller runner.
#pragma once

#include <chrono>
#include <string>

#include "pipeline/line_protocol.h"
#include "utils/child_process.h"

namespace pipeline {

// How long output is still read once the child itself has ended. A program it left
// running (the product, started by a package) may hold the output open for as long as it
// runs; what the child wrote before its exit is waiting in the pipe by then.
inline constexpr std::chrono::milliseconds kReadAfterExit{2000};

enum class AfterResult {
  kDrain,    // bytes after a final result are read and dropped, so the child never blocks
  kKeepOn,   // every line is handled until the output ends
};

// Starts the command line as a hidden child whose standard error goes nowhere (nobody reads
// it, so it can never fill up), reads its output with PumpChildOutput after resetting the
// reader, and waits for the child's end. False when the child could not be started.
bool RunChildReading(const std::wstring& commandLine, LineProtocolReader& reader, AfterResult afterResult);

// Feeds everything the child writes to the reader (in reads of at most 1024 bytes) until
// every holder has closed the output, or kReadAfterExit after the child has exited. A last
// line without a line feed is handled unless a result came before it and the rest is
// drained. Returns once reading is over; the child may still be running then.
void PumpChildOutput(Utils::ChildProcess& child, LineProtocolReader& reader, AfterResult afterResult);

}  // namespace pipeline
