// Batches of analytics records on their way to the collector: the encoding of a batch into
// the POST body (gzip, Base64, URL-encoding) and the sender that posts one batch.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace usage_analytics {

// "[" + the records separated by "," + "]", nothing added.
std::string JoinBatch(const std::vector<std::string>& records);

// gzip (deflate level 9, gzip wrapper) of data; nothing when zlib fails, after the failure
// was written to standard error.
std::optional<std::string> GzipCompress(std::string_view data);
// Standard Base64 with "=" padding and no line breaks.
std::string Base64Encode(std::string_view bytes);
// Letters, digits and "-._~" stay; every other byte becomes "%" and two upper-case hex digits.
std::string UrlEncode(std::string_view bytes);
// "data_list=" + UrlEncode(Base64Encode(gzip of batchText)) + "&gzip=1"; nothing when the
// text cannot be compressed.
std::optional<std::string> BuildBatchBody(std::string_view batchText);

// Posts batches to one collector URL, a fresh libcurl handle per request.
class BatchSender {
 public:
  static constexpr const char* kUserAgent = "UsageAnalytics CPP SDK 0.9";
  static constexpr long kTimeoutSeconds = 3;

  explicit BatchSender(std::string url);
  virtual ~BatchSender() = default;
  BatchSender(const BatchSender&) = delete;
  BatchSender& operator=(const BatchSender&) = delete;

  // Encodes and posts one batch text; true when the collector answered exactly 200. The
  // outcome of a request becomes the process's last-send flag; a batch that could not be
  // encoded makes no request and leaves the flag as it was.
  bool Send(const std::string& batchText);

 protected:
  // The POST body of a batch (BuildBatchBody).
  virtual std::optional<std::string> EncodeBody(const std::string& batchText);

 private:
  struct Response {
    long status = -1;  // -1: no answer (transport failure or exception)
    std::string body;  // the answer's body, or the failure's text
  };
  Response Post(const std::string& body) const;
  Response PostOnce(const std::string& body) const;

  std::string url_;
};

}  // namespace usage_analytics
