// Downloads one URL with one of the downloaders and prints how long it took and the
// process's peak resident memory:  download_bench <type 1|2|3> <url> <target path>
// Output: "seconds=<s> peak_rss_kib=<k> result=<final code> value=<final value>".
// Or times the file digest alone:  download_bench md5 <file>
// Output: "seconds=<s> md5=<digest>".
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "download/downloader.h"
#include "utils/md5.h"
#include "utils/text.h"

namespace {

int TimeFileDigest(const char* path) {
  const auto began = std::chrono::steady_clock::now();
  const std::string digest = Utils::FileMd5Hex(std::string(path));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::printf("seconds=%.3f md5=%s\n", seconds, digest.c_str());
  return digest.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "md5") return TimeFileDigest(argv[2]);
  if (argc != 4) {
    std::fprintf(stderr, "usage: download_bench <type> <url> <target> | download_bench md5 <file>\n");
    return 2;
  }
  std::mutex mutex;
  std::condition_variable done;
  int finalCode = 0;
  double finalValue = 0;
  auto callback = [&](int code, double value, const wchar_t* text) {
    const bool final = code == DL_CODE_SUCCESS || code == DL_CODE_RETRY || (code == DL_CODE_FAIL && text[0] != L'\0');
    if (!final) return;
    std::lock_guard<std::mutex> lock(mutex);
    finalCode = code;
    finalValue = value;
    done.notify_all();
  };
  const auto began = std::chrono::steady_clock::now();
  {
    auto downloader = CreateDownloader(std::atoi(argv[1]), callback, Utils::ToWide(argv[2], 65001),
                                       Utils::ToWide(argv[3], 65001));
    downloader->Start();
    std::unique_lock<std::mutex> lock(mutex);
    done.wait(lock, [&] { return finalCode != 0; });
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("seconds=%.3f peak_rss_kib=%ld result=%d value=%g\n", seconds, usage.ru_maxrss, finalCode, finalValue);
  return finalCode == DL_CODE_SUCCESS ? 0 : 1;
}
