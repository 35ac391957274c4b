// When queued records leave: a send step on the caller's thread once a send has succeeded,
// on a short-lived thread of its own before that, all steps one after the other. Steps in
// flight are waited for when the tracker goes, so none outlives the records it sends.
#pragma once

#include <atomic>
#include <cstdint>

namespace usage::zelkor {

// Runs (or starts) one send step. flushNow false only counts a message; true sends the
// queue, up to three attempts while pendingCount is above zero. onCallerThread runs it here
// whatever the last send did (a process about to end cannot wait for a thread).
void scheduleSend(bool flushNow, std::atomic<std::int32_t>& pendingCount, bool onCallerThread = false);

// Stops send steps that have not begun an attempt yet and waits for every step thread;
// a step inside a request ends within the request's time limit. Later steps run again.
void finishSendSteps();

}  // namespace usage::zelkor
