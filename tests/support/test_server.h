// The stand-in servers started for a test run (tools/testserver/fixture.py, run by CTest as
// a fixture): the package server over HTTP and HTTPS, and nginx. Tests put package files
// into the shared root folder, switch faults through the control endpoint and read the
// request log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// True in the Windows build running under Wine.
bool RunningUnderWine();

// False where a certificate check cannot be observed: Schannel under Wine accepts an
// untrusted certificate and does not take a test authority from a CA file.
inline bool CertificateChecksObservable() { return !RunningUnderWine(); }

class TestServer {
 public:
  // Reads the fixture's state file (TAVELO_TESTSERVER_STATE); Available() is false without it.
  TestServer();
  bool Available() const { return port_ != 0; }

  // Root folder of the served files, as a path of this platform.
  std::wstring Root() const { return root_; }
  // Writes a package of `size` bytes (a pattern that depends on seed) under the root and
  // returns its MD5 in lower-case hex. name may hold folders ("a b/ü.exe").
  std::string WritePackage(const std::wstring& name, std::int64_t size, unsigned seed = 1) const;

  // "http://127.0.0.1:<port>" + path, and the same for the HTTPS server and nginx.
  std::wstring Url(const std::wstring& path) const;
  std::wstring TlsUrl(const std::wstring& path) const;
  std::wstring NginxUrl(const std::wstring& path) const;
  // The CA file that signed the HTTPS server's certificate (a native path).
  std::string CaFile() const { return caFile_; }

  // Replaces the fault set ("cut=1000&cut_times=1"); "" clears it. False on a refused query.
  bool Control(const std::string& query) const;
  // The request log as JSON text, cleared when clear is set.
  std::string Log(bool clear = false) const;
  // GET of a control path of the plain server ("/_collected"); the body.
  std::string Get(const std::string& path) const;

 private:
  std::wstring root_;
  std::string caFile_;
  int port_ = 0;
  int tlsPort_ = 0;
  int nginxPort_ = 0;
};

}  // namespace testsupport
