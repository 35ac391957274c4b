// Named worker thread: created suspended, started by its owner with Resume, joined without
// time limit on Join or destruction. The thread writes "THREAD BEGIN" and "THREAD END".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Utils {

class Thread {
 public:
  using Body = std::function<int(void*)>;

  // Creates the thread suspended; Created() tells whether that worked.
  Thread(void* argument, std::wstring name, Body body);
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  bool Created() const;
  // Lets the suspended thread run; false when there is no thread or it already runs.
  bool Resume();
  // Waits for the thread without time limit and releases it; threadId becomes -1.
  void Join();

  // System thread id; 0xFFFFFFFF (-1) once joined or when creation failed.
  std::uint32_t ThreadId() const { return threadId_; }
  const std::wstring& Name() const { return name_; }
  // The name announced to debuggers: the given one, or "t" and the thread id when empty.
  std::string DebuggerName() const;

  // True when called on this wrapper's own thread.
  bool IsCurrent() const { return native_ != nullptr && threadId_ == CurrentId(); }
  // The system id of the calling thread.
  static std::uint32_t CurrentId();

  // The thread's entry routine: logs, runs the body, logs, returns exit code 0.
  static unsigned CallBack(void* self);

  struct Native;  // platform handle and start gate
  struct NativeDeleter {
    void operator()(Native* native) const;  // defined by the platform file
  };
  using NativePtr = std::unique_ptr<Native, NativeDeleter>;

 private:
  void NameForDebuggers();

  std::uint32_t threadId_ = 0xFFFFFFFFu;
  NativePtr native_;
  Body body_;
  void* argument_;
  std::wstring name_;
};

namespace thread_detail {
// Platform: create the thread suspended, running Thread::CallBack(self).
Thread::NativePtr CreateSuspended(Thread* self, std::uint32_t& threadId);
bool Resume(Thread::Native& native);
void Join(Thread::Native& native);
void SetDebuggerName(Thread::Native& native, std::uint32_t threadId, const std::string& name);
}  // namespace thread_detail

}  // namespace Utils
