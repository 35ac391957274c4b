// The download engine's contract: one abstract downloader, its event callback and codes,
// and the choice of downloader by configuration.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Called synchronously on a worker thread: (code, value, zero-terminated text).
using EventCallback = std::function<void(int code, double value, const wchar_t* text)>;

enum DownloadEvent : int {
  DL_CODE_START = 1001,     // value 1.0: a run of the worker begins
  DL_CODE_PROGRESS = 1002,  // value: fraction done
  DL_CODE_SUCCESS = 1003,   // value 0.0, text: back-end name
  DL_CODE_FAIL = 1004,      // value: failing result code (1.0 for an empty path)
  DL_CODE_RETRY = 1005,     // the owner is to call Start once more
  DL_CODE_NOTICE = 1006,    // a notice about the digest check
};

// Back-end names carried by the final events.
inline constexpr const wchar_t* kLibCurlName = L"LibCurl";
inline constexpr const wchar_t* kUrlDownloadName = L"URLDownloadToFile";

class CDownloader {
 public:
  virtual ~CDownloader() = default;
  // Begins (or begins again) the download on a worker thread and returns at once.
  virtual void Start() = 0;
};

// 2: the system URL download service; 3: the ranged downloader; anything else: the
// single-stream downloader.
std::unique_ptr<CDownloader> CreateDownloader(std::int32_t downloadType, EventCallback callback,
                                              const std::wstring& url, const std::wstring& path);
