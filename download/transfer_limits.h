// Limits every libcurl request of the downloaders shares, so that no request can run
// forever and no server can bounce a downloader around without end. (The limits tests may
// shorten are in download_timings.h.)
#pragma once

namespace transfer_limits {

constexpr long kConnectTimeoutSeconds = 60;
constexpr long kMaxRedirects = 30;  // a redirect loop ends instead of running forever
// Larger receive blocks than libcurl's 16 KiB: fewer write and progress calls per gigabyte.
// A hint; libcurl may keep a size of its own.
constexpr long kReceiveBufferBytes = 256 * 1024;

}  // namespace transfer_limits
