// Windows child process: three inheritable anonymous pipes, CreateProcessW with the
// standard handles set and the window hidden, and the parent's copies of the child's ends
// closed after the start so that the output pipe ends with the last writer.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "utils/child_process.h"
#include "utils/exception.h"
#include "utils/log.h"

namespace Utils {
namespace {

struct PipeEnds {
  HANDLE write = nullptr;
  HANDLE read = nullptr;
};

void CloseEnd(HANDLE& h) {
  if (h != nullptr) {
    CloseHandle(h);
    h = nullptr;
  }
}

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The exception of a failed system call: its name and the system's error code, so that a
// child that could not be started says why.
[[noreturn]] void ThrowFailed(const wchar_t* call) {
  const unsigned long error = GetLastError();
  throw Exception(std::wstring(call) + L" failed: error " + std::to_wstring(error));
}

// The null device as an inheritable handle, for a standard stream nobody reads.
HANDLE OpenNullDevice() {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE h = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

// A process attribute list naming the handles a child inherits; Get() is null when the
// system cannot make one, and the child then inherits every inheritable handle.
class InheritList {
 public:
  InheritList(HANDLE* handles, SIZE_T bytes) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);  // asks for the size only
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    list_ = list;
    if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, bytes, nullptr, nullptr)) {
      DeleteProcThreadAttributeList(list_);
      list_ = nullptr;
    }
  }
  ~InheritList() {
    if (list_ != nullptr) DeleteProcThreadAttributeList(list_);
  }
  InheritList(const InheritList&) = delete;
  InheritList& operator=(const InheritList&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return list_; }

 private:
  std::vector<unsigned char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// A start that fails for want of a resource at that moment (memory, address space, a busy
// system) is tried again after a pause; a program that is missing, refused or no program
// fails at once.
constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryPauseMs = 100;

bool IsLastingStartFailure(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_PARAMETER:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return true;
    default:
      return false;
  }
}

// CreateProcessW with the retries above; throws when the child cannot be created.
void CreateChild(const std::wstring& commandLine, DWORD flags, STARTUPINFOW& si, PROCESS_INFORMATION& info) {
  std::vector<wchar_t> buffer(ChildProcess::kCommandLineCapacity, L'\0');
  for (int attempt = 1;; ++attempt) {
    // CreateProcessW may change the buffer; every attempt gets the command line as given.
    std::fill(buffer.begin(), buffer.end(), L'\0');
    commandLine.copy(buffer.data(), commandLine.size());
    if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &si, &info)) return;
    const DWORD error = GetLastError();
    TLOGLN(L"CreateProcessW failed: %lu (attempt %d)", static_cast<unsigned long>(error), attempt);
    info = PROCESS_INFORMATION{};
    if (attempt == kStartAttempts || IsLastingStartFailure(error)) {
      SetLastError(error);
      ThrowFailed(L"CreateProcessW");
    }
    Sleep(kStartRetryPauseMs * attempt);
  }
}

void MakePipe(PipeEnds& pipe) {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  if (!CreatePipe(&pipe.read, &pipe.write, &sa, 0)) {
    const DWORD error = GetLastError();
    CloseEnd(pipe.read);
    CloseEnd(pipe.write);
    SetLastError(error);
    ThrowFailed(L"CreatePipe");
  }
}

}  // namespace

struct ChildProcess::Native {
  PipeEnds errorPipe;
  PipeEnds outputPipe;
  PipeEnds inputPipe;
  PROCESS_INFORMATION processInfo{};
  bool started = false;

  void CloseAll() {
    CloseEnd(processInfo.hThread);
    CloseEnd(processInfo.hProcess);
    for (PipeEnds* p : {&errorPipe, &outputPipe, &inputPipe}) {
      CloseEnd(p->write);
      CloseEnd(p->read);
    }
  }
};

ChildProcess::ChildProcess() : native_(std::make_unique<Native>()) {
  try {
    MakePipe(native_->errorPipe);
    MakePipe(native_->outputPipe);
    MakePipe(native_->inputPipe);
  } catch (...) {
    native_->CloseAll();
    throw;
  }
}

ChildProcess::~ChildProcess() { Close(); }

void ChildProcess::Start(const std::wstring& commandLine, ErrorOutput errorOutput) {
  Native& n = *native_;
  if (n.started) throw Exception(L"the child was started already");
  if (commandLine.size() >= kCommandLineCapacity) throw Exception(L"the command line is too long");
  commandLine_ = commandLine;

  // The parent's ends stay out of the child.
  SetHandleInformation(n.inputPipe.write, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(n.outputPipe.read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(n.errorPipe.read, HANDLE_FLAG_INHERIT, 0);

  UniqueHandle nullDevice(errorOutput == ErrorOutput::kDiscard ? OpenNullDevice() : nullptr);
  if (errorOutput == ErrorOutput::kDiscard && nullDevice.get() == nullptr) ThrowFailed(L"CreateFileW(NUL)");

  STARTUPINFOEXW si{};
  si.StartupInfo.cb = sizeof(si);
  si.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  si.StartupInfo.wShowWindow = SW_HIDE;
  si.StartupInfo.hStdInput = n.inputPipe.read;
  si.StartupInfo.hStdOutput = n.outputPipe.write;
  si.StartupInfo.hStdError = nullDevice.get() != nullptr ? nullDevice.get() : n.errorPipe.write;
  // Only the three standard handles go to the child: any other inheritable handle of this
  // process (a console's or a parent's pipe) would otherwise be held open by the child and
  // by every program it leaves running.
  HANDLE inherited[] = {si.StartupInfo.hStdInput, si.StartupInfo.hStdOutput, si.StartupInfo.hStdError};
  InheritList list(inherited, sizeof(inherited));
  si.lpAttributeList = list.Get();
  const DWORD flags = list.Get() != nullptr ? EXTENDED_STARTUPINFO_PRESENT : 0;
  CreateChild(commandLine, flags, si.StartupInfo, n.processInfo);
  n.started = true;
  CloseEnd(n.outputPipe.write);
  CloseEnd(n.errorPipe.write);
  CloseEnd(n.inputPipe.read);
}

std::size_t ChildProcess::ReadOutput(char* buffer, std::size_t size) {
  if (!native_->started || native_->outputPipe.read == nullptr || size == 0) return 0;
  DWORD got = 0;
  const DWORD want = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(size);
  if (!ReadFile(native_->outputPipe.read, buffer, want, &got, nullptr)) return 0;  // broken pipe: the end
  return got;
}

// Anonymous pipes have no waitable read with a time limit: peek until bytes are waiting,
// with pauses that grow to 20 ms, so a silent child costs little and a line shows quickly.
ChildProcess::ReadStatus ChildProcess::ReadOutputWithin(char* buffer, std::size_t size,
                                                       std::chrono::milliseconds timeout, std::size_t& got) {
  got = 0;
  HANDLE pipe = native_->outputPipe.read;
  if (!native_->started || pipe == nullptr || size == 0) return ReadStatus::kEnd;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout.count() < 0 ? 0 : timeout.count());
  DWORD pause = 1;
  for (;;) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return ReadStatus::kEnd;  // broken pipe
    if (waiting > 0) {
      got = ReadOutput(buffer, waiting < size ? waiting : size);
      return got > 0 ? ReadStatus::kData : ReadStatus::kEnd;
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return ReadStatus::kTimeout;
    const ULONGLONG left = deadline - now;
    Sleep(static_cast<DWORD>(left < pause ? left : pause));
    if (pause < 20) pause *= 2;
  }
}

bool ChildProcess::TryGetExitCode(std::uint32_t& exitCode) {
  if (!native_->started || native_->processInfo.hProcess == nullptr) return false;
  if (WaitForSingleObject(native_->processInfo.hProcess, 0) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  if (!GetExitCodeProcess(native_->processInfo.hProcess, &code)) return false;
  exitCode = code;
  return true;
}

std::uint32_t ChildProcess::WaitForExit() {
  if (!native_->started || native_->processInfo.hProcess == nullptr) return 0xFFFFFFFFu;
  WaitForSingleObject(native_->processInfo.hProcess, INFINITE);
  DWORD code = 0xFFFFFFFFu;
  GetExitCodeProcess(native_->processInfo.hProcess, &code);
  return code;
}

std::uint32_t ChildProcess::ProcessId() const { return native_->processInfo.dwProcessId; }

void ChildProcess::Close() {
  if (native_) native_->CloseAll();
}

}  // namespace Utils
