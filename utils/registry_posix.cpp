// POSIX stand-in for the installer's registry key: one file, $XDG_CONFIG_HOME (or
// ~/.config) /ZelkorSoft/Tavelo.reg, a line per value "type<TAB>name<TAB>text" in UTF-8 with
// backslash escapes. Value names compare without case, as registry names do. Writers take
// an exclusive lock and replace the file atomically, so readers never see half a file.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <sstream>
#include <vector>

#include "utils/folders.h"
#include "utils/registry.h"
#include "utils/text.h"

namespace Utils {
namespace {

struct Value {
  unsigned long type;
  std::string name;  // UTF-8
  std::string text;  // UTF-8
};

std::string StoreFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config == '/') return std::string(config) + "/ZelkorSoft";
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home != '/') return {};
  return std::string(home) + "/.config/ZelkorSoft";
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out.push_back(s[i]);
      continue;
    }
    const char c = s[++i];
    out.push_back(c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c);
  }
  return out;
}

bool SameName(const std::string& a, const std::string& b) {
  const std::wstring wa = ToWide(a, kCodePageUtf8), wb = ToWide(b, kCodePageUtf8);
  if (wa.size() != wb.size()) return false;
  for (std::size_t i = 0; i < wa.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(wa[i])) != std::towlower(static_cast<wint_t>(wb[i]))) return false;
  }
  return true;
}

std::vector<Value> Load(const std::string& file) {
  std::vector<Value> values;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t a = line.find('\t');
    const std::size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
    if (b == std::string::npos) continue;  // a damaged line is skipped, the rest still reads
    values.push_back({std::strtoul(line.substr(0, a).c_str(), nullptr, 10), Unescape(line.substr(a + 1, b - a - 1)),
                      Unescape(line.substr(b + 1))});
  }
  return values;
}

// Holds the store's lock file while a writer works.
class StoreLock {
 public:
  explicit StoreLock(const std::string& folder) {
    fd_ = open((folder + "/Tavelo.reg.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~StoreLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

bool WriteRegistryString(const std::wstring& name, const std::wstring& text) {
  const std::string folder = StoreFolder();
  std::string narrowName, narrowText;
  if (folder.empty() || !CreateDirectoryTree(ToWide(folder, kCodePageUtf8)) ||
      (narrowName = ToNarrow(name, kCodePageUtf8)).empty() != name.empty() ||
      (narrowText = ToNarrow(text, kCodePageUtf8)).empty() != text.empty()) {
    return false;
  }
  StoreLock lock(folder);
  if (!lock.Held()) return false;
  const std::string file = folder + "/Tavelo.reg";
  std::vector<Value> values = Load(file);
  bool replaced = false;
  for (Value& v : values) {
    if (SameName(v.name, narrowName)) {
      v = {kRegistryString, v.name, narrowText};
      replaced = true;
    }
  }
  if (!replaced) values.push_back({kRegistryString, narrowName, narrowText});

  const std::string temporary = file + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    for (const Value& v : values) out << v.type << '\t' << Escape(v.name) << '\t' << Escape(v.text) << '\n';
    out.flush();
    if (!out) return false;
  }
  return rename(temporary.c_str(), file.c_str()) == 0;
}

bool ReadRegistryString(const std::wstring& name, std::wstring& text, unsigned long& type) {
  const std::string folder = StoreFolder();
  const std::string narrowName = ToNarrow(name, kCodePageUtf8);
  if (folder.empty() || narrowName.empty() != name.empty()) return false;
  for (const Value& v : Load(folder + "/Tavelo.reg")) {
    if (!SameName(v.name, narrowName)) continue;
    type = v.type;
    const bool isText = v.type == kRegistryString || v.type == kRegistryExpandString;
    text = isText ? ToWide(v.text, kCodePageUtf8) : std::wstring();
    return true;
  }
  return false;
}

}  // namespace Utils
