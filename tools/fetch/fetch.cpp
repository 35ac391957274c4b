// Downloads one package with one of the installer's downloaders and prints its events as
// they come, one line each:
//   fetch <type> <url> <target path>     type 1: single stream, 2: system URL service,
//                                        3: two ranged connections
// The owner's duties are kept: on 1005 the download starts again, after the final 1004 the
// target file is deleted. Exit code 0 after 1003, 1 after the final 1004, 2 for bad
// arguments.
#include "tools/entry/tool_main.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "download/downloader.h"
#include "startup/number_text.h"
#include "utils/file_ops.h"
#include "utils/text.h"

namespace {

// UTF-8 text to standard output at once: progress lines must show while they happen.
void WriteOut(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

std::string Utf8(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }

const char* CodeName(int code) {
  switch (code) {
    case DL_CODE_START: return "DL_CODE_START";
    case DL_CODE_PROGRESS: return "DL_CODE_PROGRESS";
    case DL_CODE_SUCCESS: return "DL_CODE_SUCCESS";
    case DL_CODE_FAIL: return "DL_CODE_FAIL";
    case DL_CODE_RETRY: return "DL_CODE_RETRY";
    case DL_CODE_NOTICE: return "DL_CODE_NOTICE";
    default: return "?";
  }
}

}  // namespace

int ToolMain(const std::vector<std::wstring>& args) {
  if (args.size() != 4) {
    WriteOut("usage: fetch <type 1|2|3> <url> <target path>\n");
    return 2;
  }
  std::int32_t type = 0;
  if (!ParseLeadingInt32(args[1], type)) {
    WriteOut("fetch: the type is a number: 1, 2 or 3\n");
    return 2;
  }
  std::mutex mutex;
  std::condition_variable changed;
  int finalCode = 0;
  int shownPercent = -1;
  std::unique_ptr<CDownloader> downloader;
  bool restart = false;

  auto callback = [&](int code, double value, const wchar_t* text) {
    char line[128];
    if (code == DL_CODE_PROGRESS) {
      // Every tenth percent, not every event: progress comes many times a second.
      const int percent = static_cast<int>(value * 100.0);
      std::lock_guard<std::mutex> lock(mutex);
      if (percent / 10 == shownPercent / 10) return;
      shownPercent = percent;
      std::snprintf(line, sizeof line, "%d %s %d%%\n", code, CodeName(code), percent);
      WriteOut(line);
      return;
    }
    std::snprintf(line, sizeof line, "%d %s %g ", code, CodeName(code), value);
    WriteOut(line + Utf8(text) + "\n");
    // The empty-path 1004 is a warning inside a run that goes on; every other 1004 ends it.
    const bool final = code == DL_CODE_SUCCESS || (code == DL_CODE_FAIL && text[0] != L'\0');
    std::lock_guard<std::mutex> lock(mutex);
    if (code == DL_CODE_START) shownPercent = -1;
    if (code == DL_CODE_RETRY) restart = true;
    if (final) finalCode = code;
    changed.notify_all();
  };

  const auto began = std::chrono::steady_clock::now();
  downloader = CreateDownloader(type, callback, args[2], args[3]);
  downloader->Start();
  {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return finalCode != 0 || restart; });
      if (finalCode != 0) break;
      restart = false;
      lock.unlock();  // Start may wait for the finished worker, whose callback takes the lock
      downloader->Start();
      lock.lock();
    }
  }
  downloader.reset();  // joins the worker
  // A failed download may leave the file that failed its check; the owner removes it.
  if (finalCode != DL_CODE_SUCCESS && Utils::DeleteFileAt(args[3])) WriteOut("deleted the target file\n");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  char line[96];
  std::snprintf(line, sizeof line, "%s after %.1f s\n", finalCode == DL_CODE_SUCCESS ? "downloaded" : "failed", seconds);
  WriteOut(line);
  return finalCode == DL_CODE_SUCCESS ? 0 : 1;
}
