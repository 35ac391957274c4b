// POSIX worker threads: a std::thread that waits at a start gate until resumed, its kernel
// thread id, and pthread_setname_np for debuggers (the kernel keeps 15 bytes of a name).
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "utils/thread.h"

namespace Utils {

struct Thread::Native {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable changed;
  bool idKnown = false;
  bool resumed = false;
  bool cancelled = false;  // joined without ever being resumed: leave without running
  std::uint32_t id = 0;
};

std::uint32_t Thread::CurrentId() { return static_cast<std::uint32_t>(syscall(SYS_gettid)); }

void Thread::NativeDeleter::operator()(Native* native) const { delete native; }

namespace thread_detail {

Thread::NativePtr CreateSuspended(Thread* self, std::uint32_t& threadId) {
  Thread::NativePtr native(new Thread::Native);
  Thread::Native* n = native.get();
  try {
    n->thread = std::thread([n, self] {
      std::unique_lock<std::mutex> lock(n->mutex);
      n->id = static_cast<std::uint32_t>(syscall(SYS_gettid));
      n->idKnown = true;
      n->changed.notify_all();
      n->changed.wait(lock, [n] { return n->resumed || n->cancelled; });
      const bool run = !n->cancelled;
      lock.unlock();
      if (run) Thread::CallBack(self);
    });
  } catch (const std::system_error&) {
    return nullptr;  // no thread could be made: the owner sees Created() == false
  }
  std::unique_lock<std::mutex> lock(n->mutex);
  n->changed.wait(lock, [n] { return n->idKnown; });
  threadId = n->id;
  return native;
}

bool Resume(Thread::Native& native) {
  std::lock_guard<std::mutex> lock(native.mutex);
  if (native.resumed || native.cancelled) return false;
  native.resumed = true;
  native.changed.notify_all();
  return true;
}

void Join(Thread::Native& native) {
  {
    std::lock_guard<std::mutex> lock(native.mutex);
    if (!native.resumed) native.cancelled = true;
    native.changed.notify_all();
  }
  if (native.thread.joinable()) native.thread.join();
}

void SetDebuggerName(Thread::Native& native, std::uint32_t, const std::string& name) {
  const std::string shortName = name.substr(0, 15);
  pthread_setname_np(native.thread.native_handle(), shortName.c_str());  // a debugging aid only
}

}  // namespace thread_detail
}  // namespace Utils
