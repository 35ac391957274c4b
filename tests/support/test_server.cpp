// Client side of the stand-in servers: the fixture's state file, this process's scope,
// package files and the control endpoints (through libcurl, as the downloaders talk to them).
#include "tests/support/test_server.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>
#include <utility>

#include "tests/support/temp_dir.h"
#include "utils/folders.h"
#include "utils/md5.h"
#include "utils/text.h"

namespace testsupport {

// Platform: a path on the machine that runs the servers, as this build's processes see it.
std::wstring HostPathToLocal(const std::string& hostPath);
// Platform: this process's id (Windows' own under Wine, where a test is one process too).
unsigned long CurrentProcessId();

namespace {

// The scope of this process on the shared servers. The process id keeps processes that run
// at the same time apart; the steady-clock reading keeps this one apart from an earlier
// process with the same id (ids are reused, and Wine hands out its small ids again soon)
// whose faults the server still holds.
std::string MakeProcessScope() {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::string suffix(8, '0');
  for (auto it = suffix.rbegin(); it != suffix.rend(); ++it, ticks /= 36) *it = kDigits[ticks % 36];
  return "p" + std::to_string(CurrentProcessId()) + "-" + suffix;
}

const std::string& ProcessScope() {
  static const std::string scope = MakeProcessScope();
  return scope;
}

// Removes this process's scope folder, with the packages its tests wrote, when the process
// ends: the servers' root outlives the test processes and would otherwise keep every run's
// files. A forked child (a gtest death test) leaves its parent's folder alone.
class ScopeFolderRemover {
 public:
  explicit ScopeFolderRemover(std::wstring folder) : folder_(std::move(folder)), owner_(CurrentProcessId()) {}
  ~ScopeFolderRemover() {
    if (CurrentProcessId() != owner_) return;
    std::error_code ignored;  // a leftover folder does not fail the run
    std::filesystem::remove_all(FsPath(folder_), ignored);
  }
  ScopeFolderRemover(const ScopeFolderRemover&) = delete;
  ScopeFolderRemover& operator=(const ScopeFolderRemover&) = delete;

 private:
  std::wstring folder_;
  unsigned long owner_;
};

// "<scheme>://127.0.0.1:<port>/s/<scope>" + path.
std::wstring ScopedUrl(const std::wstring& scheme, int port, const std::string& scope, const std::wstring& path) {
  return scheme + L"://127.0.0.1:" + std::to_wstring(port) + L"/s/" + Utils::ToWide(scope, Utils::kCodePageUtf8) + path;
}

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// A plain GET; status 0 when the request failed.
long HttpGet(const std::string& url, std::string& body) {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return 0;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
  long status = 0;
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  return status;
}

}  // namespace

TestServer::TestServer() : scope_(ProcessScope()) {
  const char* state = std::getenv("TAVELO_TESTSERVER_STATE");
  if (state == nullptr) state = TAVELO_TESTSERVER_STATE_FILE;
  std::ifstream in(FsPath(HostPathToLocal(state)));
  std::map<std::string, std::string> values;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  // The servers serve /s/<scope>/ from the root's folder named after the scope.
  root_ = Utils::JoinPath(HostPathToLocal(values["root"]), Utils::ToWide(scope_, Utils::kCodePageUtf8));
  caFile_ = Utils::ToNarrow(HostPathToLocal(values["ca_file"]), Utils::kCodePageAnsi);
  port_ = std::atoi(values["port"].c_str());
  tlsPort_ = std::atoi(values["tls_port"].c_str());
  nginxPort_ = std::atoi(values["nginx_port"].c_str());
  if (port_ == 0 || values["root"].empty()) {
    port_ = 0;  // no servers: nothing to make a folder for
    return;
  }
  std::error_code error;  // a folder that cannot be made fails the first WritePackage instead
  std::filesystem::create_directories(FsPath(root_), error);
  static const ScopeFolderRemover remover(root_);
}

std::string TestServer::WritePackage(const std::wstring& name, std::int64_t size, unsigned seed) const {
  const std::filesystem::path file = FsPath(Utils::JoinPath(root_, name));
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  Utils::Md5 md5;
  std::string block(1 << 16, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::int64_t left = size; left > 0;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, block.size()));
    for (std::size_t i = 0; i < n; ++i) {
      x = x * 1103515245u + 12345u;
      block[i] = static_cast<char>(x >> 24);
    }
    out.write(block.data(), static_cast<std::streamsize>(n));
    md5.Update(block.data(), n);
    left -= static_cast<std::int64_t>(n);
  }
  return Utils::DigestHex(md5.Final());
}

std::string TestServer::ScopedPath(const std::string& path) const { return "/s/" + scope_ + path; }

std::wstring TestServer::Url(const std::wstring& path) const { return ScopedUrl(L"http", port_, scope_, path); }
std::wstring TestServer::TlsUrl(const std::wstring& path) const { return ScopedUrl(L"https", tlsPort_, scope_, path); }
std::wstring TestServer::NginxUrl(const std::wstring& path) const { return ScopedUrl(L"http", nginxPort_, scope_, path); }

bool TestServer::Control(const std::string& query) const { return Get("/_control?" + query) == "ok"; }

std::string TestServer::Log(bool clear) const { return Get(clear ? "/_log?clear=1" : "/_log"); }

std::string TestServer::Get(const std::string& path) const {
  std::string body;
  HttpGet("http://127.0.0.1:" + std::to_string(port_) + ScopedPath(path), body);
  return body;
}

}  // namespace testsupport
