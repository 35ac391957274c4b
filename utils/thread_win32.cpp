// Windows worker threads: _beginthreadex created suspended, ResumeThread, an unbounded wait,
// and the debugger naming exception 0x406D1388.
#include <windows.h>
#include <process.h>

#include <atomic>

#include "utils/thread.h"

namespace Utils {

struct Thread::Native {
  HANDLE handle = nullptr;
  Thread* owner = nullptr;
  std::atomic<bool> resumed{false};
  // Set when the owner joins a thread it never resumed: the thread then leaves at once,
  // instead of the join waiting forever on a suspended thread.
  std::atomic<bool> cancelled{false};
};

std::uint32_t Thread::CurrentId() { return GetCurrentThreadId(); }

void Thread::NativeDeleter::operator()(Native* native) const { delete native; }

namespace thread_detail {
namespace {

constexpr DWORD kSetThreadNameException = 0x406D1388;

unsigned __stdcall Entry(void* parameter) {
  auto* native = static_cast<Thread::Native*>(parameter);
  if (native->cancelled.load()) return 0;
  return Thread::CallBack(native->owner);
}

// Swallows the naming exception when no debugger took it.
LONG CALLBACK SwallowNamingException(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode == kSetThreadNameException) return EXCEPTION_CONTINUE_EXECUTION;
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

Thread::NativePtr CreateSuspended(Thread* self, std::uint32_t& threadId) {
  Thread::NativePtr native(new Thread::Native);
  native->owner = self;
  unsigned id = 0;
  const uintptr_t h = _beginthreadex(nullptr, 0, &Entry, native.get(), CREATE_SUSPENDED, &id);
  if (h == 0) return nullptr;
  native->handle = reinterpret_cast<HANDLE>(h);
  threadId = id;
  return native;
}

bool Resume(Thread::Native& native) {
  if (native.resumed.exchange(true)) return false;
  return ResumeThread(native.handle) != static_cast<DWORD>(-1);
}

void Join(Thread::Native& native) {
  if (!native.resumed.exchange(true)) {
    native.cancelled = true;
    ResumeThread(native.handle);
  }
  WaitForSingleObject(native.handle, INFINITE);
  CloseHandle(native.handle);
  native.handle = nullptr;
}

void SetDebuggerName(Thread::Native&, std::uint32_t threadId, const std::string& name) {
  static PVOID handler = AddVectoredExceptionHandler(1, &SwallowNamingException);
  if (handler == nullptr) return;  // without the handler the exception would end the process
#pragma pack(push, 8)
  struct {
    DWORD type;
    LPCSTR name;
    DWORD threadId;
    DWORD flags;
  } info{0x1000, name.c_str(), threadId, 0};
#pragma pack(pop)
  RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                 reinterpret_cast<const ULONG_PTR*>(&info));
}

}  // namespace thread_detail
}  // namespace Utils
