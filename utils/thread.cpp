// Portable part of the worker-thread wrapper: lifetime, naming rule and the entry routine.
#include "utils/thread.h"

#include "utils/log.h"
#include "utils/text.h"

namespace Utils {

Thread::Thread(void* argument, std::wstring name, Body body)
    : body_(std::move(body)), argument_(argument), name_(std::move(name)) {
  native_ = thread_detail::CreateSuspended(this, threadId_);
  if (native_) NameForDebuggers();
}

Thread::~Thread() {
  Join();
  name_.clear();
  body_ = nullptr;
}

bool Thread::Created() const { return native_ != nullptr; }

bool Thread::Resume() { return native_ && thread_detail::Resume(*native_); }

void Thread::Join() {
  if (!native_) return;
  thread_detail::Join(*native_);
  native_.reset();
  threadId_ = 0xFFFFFFFFu;
}

std::string Thread::DebuggerName() const {
  if (name_.empty()) return "t" + std::to_string(threadId_);
  return ToNarrow(name_, kCodePageAnsi);
}

void Thread::NameForDebuggers() { thread_detail::SetDebuggerName(*native_, threadId_, DebuggerName()); }

unsigned Thread::CallBack(void* self) {
  auto* thread = static_cast<Thread*>(self);
  TLOGLN(L"THREAD BEGIN");
  if (thread->body_) thread->body_(thread->argument_);
  TLOGLN(L"THREAD END");
  return 0;
}

}  // namespace Utils
