// Windows child process: three inheritable anonymous pipes, CreateProcessW with the
// standard handles set and the window hidden, and the parent's copies of the child's ends
// closed after the start so that the output pipe ends with the last writer.
#include <windows.h>

#include <vector>

#include "utils/child_process.h"
#include "utils/exception.h"

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

void MakePipe(PipeEnds& pipe) {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  if (!CreatePipe(&pipe.read, &pipe.write, &sa, 0)) {
    CloseEnd(pipe.read);
    CloseEnd(pipe.write);
    throw Exception();
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

void ChildProcess::Start(const std::wstring& commandLine) {
  Native& n = *native_;
  if (n.started || commandLine.size() >= kCommandLineCapacity) throw Exception();
  commandLine_ = commandLine;
  std::vector<wchar_t> buffer(kCommandLineCapacity, L'\0');
  commandLine.copy(buffer.data(), commandLine.size());

  // The parent's ends stay out of the child.
  SetHandleInformation(n.inputPipe.write, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(n.outputPipe.read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(n.errorPipe.read, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  si.wShowWindow = SW_HIDE;
  si.hStdInput = n.inputPipe.read;
  si.hStdOutput = n.outputPipe.write;
  si.hStdError = n.errorPipe.write;
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &n.processInfo)) {
    n.processInfo = PROCESS_INFORMATION{};
    throw Exception();
  }
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
