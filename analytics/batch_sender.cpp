// Encoding and posting of record batches, and the process's last-send flag.
#include "analytics/batch_sender.h"

#include <curl/curl.h>
#include <zlib.h>

#include <algorithm>
#include <cwchar>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>

#include "analytics/property_checks.h"
#include "analytics/record_queue.h"
#include "download/curl_handles.h"
#include "download/tls_trust.h"
#include "utils/log.h"

namespace usage_analytics {

namespace {

constexpr std::size_t kGzipChunk = 32768;
// zlib counts input in 32-bit units: larger texts are handed over in pieces of this size.
constexpr std::size_t kGzipInputPiece = std::size_t{1} << 30;

std::mutex& LastSendMutex() {
  static std::mutex mutex;
  return mutex;
}
bool& LastSendFlag() {
  static bool succeeded = false;
  return succeeded;
}
void SetLastSendSucceeded(bool succeeded) {
  std::lock_guard<std::mutex> lock(LastSendMutex());
  LastSendFlag() = succeeded;
}

struct DeflateEnd {
  void operator()(z_stream* stream) const { deflateEnd(stream); }
};

// Runs deflate over all of data, appending the output to out; zlib's last result.
int DeflateAll(z_stream& stream, std::string_view data, std::string& out) {
  char chunk[kGzipChunk];
  std::size_t offered = 0;
  int rc = Z_OK;
  while (rc == Z_OK) {
    if (stream.avail_in == 0 && offered < data.size()) {
      const std::size_t piece = std::min(kGzipInputPiece, data.size() - offered);
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + offered));
      stream.avail_in = static_cast<uInt>(piece);
      offered += piece;
    }
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = static_cast<uInt>(sizeof(chunk));
    rc = deflate(&stream, offered == data.size() ? Z_FINISH : Z_NO_FLUSH);
    out.append(chunk, sizeof(chunk) - stream.avail_out);
  }
  return rc;
}

std::size_t AppendResponse(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

void ReportSendFailure(const std::string& responseBody) {
  static constexpr wchar_t kDebuggerText[] = L"[usage] UsageAnalytics SDK send failed";
  logging_detail::SendToSink(kDebuggerText, std::wcslen(kDebuggerText));
  ReportProblem("UsageAnalytics SDK send failed: " + responseBody);
}

}  // namespace

bool LastSendSucceeded() {
  std::lock_guard<std::mutex> lock(LastSendMutex());
  return LastSendFlag();
}

std::string JoinBatch(const std::vector<std::string>& records) {
  std::size_t size = 2;
  for (const std::string& record : records) size += record.size() + 1;
  std::string batch;
  batch.reserve(size);
  batch += '[';
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0) batch += ',';
    batch += records[i];
  }
  batch += ']';
  return batch;
}

std::optional<std::string> GzipCompress(std::string_view data) {
  z_stream stream{};
  if (deflateInit2(&stream, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    ReportProblem("deflateInit2 failed while compressing.");
    return std::nullopt;
  }
  const std::unique_ptr<z_stream, DeflateEnd> end(&stream);
  std::string out;
  const int rc = DeflateAll(stream, data, out);
  if (rc != Z_STREAM_END) {
    ReportProblem("Exception during zlib compression: (" + std::to_string(rc) + ") " +
                       (stream.msg != nullptr ? stream.msg : ""));
    return std::nullopt;
  }
  return out;
}

std::string Base64Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned n = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[n >> 18];
    out += kAlphabet[(n >> 12) & 63];
    out += kAlphabet[(n >> 6) & 63];
    out += kAlphabet[n & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[n >> 18];
    out += kAlphabet[(n >> 12) & 63];
    out += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string UrlEncode(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
    if (unreserved) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

std::optional<std::string> BuildBatchBody(std::string_view batchText) {
  const std::optional<std::string> gzipped = GzipCompress(batchText);
  if (!gzipped) return std::nullopt;
  return "data_list=" + UrlEncode(Base64Encode(*gzipped)) + "&gzip=1";
}

BatchSender::BatchSender(std::string url) : url_(std::move(url)) {}

std::optional<std::string> BatchSender::EncodeBody(const std::string& batchText) { return BuildBatchBody(batchText); }

bool BatchSender::Send(const std::string& batchText) {
  const std::optional<std::string> body = EncodeBody(batchText);
  if (!body) return false;  // already reported; no request was made
  const Response response = Post(*body);
  const bool succeeded = response.status == 200;
  if (!succeeded) ReportSendFailure(response.body);
  SetLastSendSucceeded(succeeded);
  return succeeded;
}

BatchSender::Response BatchSender::Post(const std::string& body) const {
  try {
    return PostOnce(body);
  } catch (const std::exception& e) {
    ReportProblem(e.what());
    return {-1, e.what()};
  }
}

// One POST on a fresh handle: the body with its length, the SDK's User-Agent and no other
// header of ours, certificates verified, no redirect followed, 3 seconds for everything.
BatchSender::Response BatchSender::PostOnce(const std::string& body) const {
  CurlEasy curl(curl_easy_init());
  if (!curl) return {-1, "Couldn't initialize curl handle"};
  std::string answer;
  char error[CURL_ERROR_SIZE] = {};
  CurlOptions options(curl.get());
  options.Set(CURLOPT_ERRORBUFFER, error)
      .Set(CURLOPT_URL, url_.c_str())
      .Set(CURLOPT_POST, 1L)
      .Set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()))
      .Set(CURLOPT_POSTFIELDS, body.data())
      .Set(CURLOPT_USERAGENT, kUserAgent)
      .Set(CURLOPT_FOLLOWLOCATION, 0L)
      .Set(CURLOPT_TIMEOUT, kTimeoutSeconds)
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_WRITEFUNCTION, &AppendResponse)
      .Set(CURLOPT_WRITEDATA, static_cast<void*>(&answer));
  options.Keep(ApplyTlsTrust(curl.get()));
  CURLcode rc = options.Result();
  if (rc == CURLE_OK) rc = curl_easy_perform(curl.get());
  if (rc != CURLE_OK) return {-1, error[0] != '\0' ? std::string(error) : std::string(curl_easy_strerror(rc))};
  long status = -1;
  if (curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) status = -1;
  return {status, std::move(answer)};
}

}  // namespace usage_analytics
