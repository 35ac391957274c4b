// The stand-in servers started for a test run (tools/testserver/fixture.py, run by CTest as
// a fixture): the package server over HTTP and HTTPS, and nginx. Several test processes may
// share them at the same time, so each process works in a scope of its own (URLs under
// /s/<scope>/): its own folder of package files, fault set, request log and collected
// analytics records, none of which another process sees.
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
  // Reads the fixture's state file (the build's own, or the one TAVELO_TESTSERVER_STATE
  // names) and makes this process's scope folder; Available() is false without it.
  TestServer();
  bool Available() const { return port_ != 0; }

  // This process's scope name: the same for every TestServer of the process, different in
  // every other process ("p<process id>-<8 characters>").
  const std::string& Scope() const { return scope_; }
  // Root folder of the files served in this scope (the scope's folder under the servers'
  // root), as a path of this platform.
  std::wstring Root() const { return root_; }
  // Writes a package of `size` bytes (a pattern that depends on seed) under Root() and
  // returns its MD5 in lower-case hex. name may hold folders ("a b/ü.exe").
  std::string WritePackage(const std::wstring& name, std::int64_t size, unsigned seed = 1) const;

  // "http://127.0.0.1:<port>/s/<scope>" + path, and the same for the HTTPS server and nginx.
  std::wstring Url(const std::wstring& path) const;
  std::wstring TlsUrl(const std::wstring& path) const;
  std::wstring NginxUrl(const std::wstring& path) const;
  // "/s/<scope>" + path: the raw path a request for Url(path) carries, as the request log
  // shows it.
  std::string ScopedPath(const std::string& path) const;
  // The CA file that signed the HTTPS server's certificate (a native path).
  std::string CaFile() const { return caFile_; }

  // Replaces the scope's fault set ("cut=1000&cut_times=1"); "" clears it. False on a
  // refused query.
  bool Control(const std::string& query) const;
  // The scope's request log as JSON text, cleared when clear is set.
  std::string Log(bool clear = false) const;
  // GET of a control path of the plain server within the scope ("/_collected"); the body.
  std::string Get(const std::string& path) const;

 private:
  std::string scope_;
  std::wstring root_;
  std::string caFile_;
  int port_ = 0;
  int tlsPort_ = 0;
  int nginxPort_ = 0;
};

}  // namespace testsupport
