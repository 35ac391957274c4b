// The choice of downloader by configuration.
#include "download/curl_downloader.h"
#include "download/downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/win_downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(std::int32_t downloadType, EventCallback callback,
                                              const std::wstring& url, const std::wstring& path) {
  switch (downloadType) {
    case 2: return std::make_unique<CWinDownloader>(std::move(callback), url, path);
    case 3: return std::make_unique<CMTCurlDownloader>(std::move(callback), url, path);
    default: return std::make_unique<CCurlDownloader>(std::move(callback), url, path);
  }
}
