// Shared fixture of the single-stream downloader tests: the server fixture plus the target
// path and a run helper.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "download/curl_downloader.h"
#include "tests/support/server_test.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/md5.h"
#include "utils/text.h"

using testsupport::EventRecorder;
using testsupport::TestServer;

namespace curl_test {

constexpr int kStart = DL_CODE_START, kProgress = DL_CODE_PROGRESS, kSuccess = DL_CODE_SUCCESS,
              kFail = DL_CODE_FAIL, kRetry = DL_CODE_RETRY, kNotice = DL_CODE_NOTICE;

class CurlDownloaderTest : public testsupport::ServerTest {
 protected:
  std::wstring Target() const { return Utils::JoinPath(dir_.WPath(), L"__Package_Tavelo.exe"); }
  std::string TargetMd5() const { return Utils::FileMd5Hex(Utils::ToNarrow(Target(), Utils::kCodePageAnsi)); }
  bool Exists(const std::wstring& path) const { return Utils::FileSizeAt(path) >= 0; }

  // Runs one download to its final event; restarts it on 1005 as the owner must.
  void Run(const std::wstring& url, int finals = 1) {
    downloader_ = std::make_unique<CCurlDownloader>(events_.Callback([this](const testsupport::RecordedEvent& e) {
      if (e.code == kRetry) downloader_->Start();
    }), url, Target());
    downloader_->Start();
    ASSERT_TRUE(events_.WaitForFinals(finals));
  }

  double FinalValue() const { return events_.Events().back().value; }
  std::wstring FinalText() const { return events_.Events().back().text; }

  std::unique_ptr<CCurlDownloader> downloader_;
};

}  // namespace curl_test
