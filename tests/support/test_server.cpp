// Client side of the stand-in servers: the fixture's state file, package files and the
// control endpoints (through libcurl, as the downloaders talk to them).
#include "tests/support/test_server.h"

#include <curl/curl.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "tests/support/temp_dir.h"
#include "utils/folders.h"
#include "utils/md5.h"
#include "utils/text.h"

namespace testsupport {

// Platform: a path on the machine that runs the servers, as this build's processes see it.
std::wstring HostPathToLocal(const std::string& hostPath);

namespace {

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

TestServer::TestServer() {
  const char* state = std::getenv("TAVELO_TESTSERVER_STATE");
  if (state == nullptr) return;
  std::ifstream in(FsPath(HostPathToLocal(state)));
  std::map<std::string, std::string> values;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  root_ = HostPathToLocal(values["root"]);
  caFile_ = Utils::ToNarrow(HostPathToLocal(values["ca_file"]), Utils::kCodePageAnsi);
  port_ = std::atoi(values["port"].c_str());
  tlsPort_ = std::atoi(values["tls_port"].c_str());
  nginxPort_ = std::atoi(values["nginx_port"].c_str());
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

std::wstring TestServer::Url(const std::wstring& path) const { return L"http://127.0.0.1:" + std::to_wstring(port_) + path; }
std::wstring TestServer::TlsUrl(const std::wstring& path) const {
  return L"https://127.0.0.1:" + std::to_wstring(tlsPort_) + path;
}
std::wstring TestServer::NginxUrl(const std::wstring& path) const {
  return L"http://127.0.0.1:" + std::to_wstring(nginxPort_) + path;
}

bool TestServer::Control(const std::string& query) const { return Get("/_control?" + query) == "ok"; }

std::string TestServer::Log(bool clear) const { return Get(clear ? "/_log?clear=1" : "/_log"); }

std::string TestServer::Get(const std::string& path) const {
  std::string body;
  HttpGet("http://127.0.0.1:" + std::to_string(port_) + path, body);
  return body;
}

}  // namespace testsupport
