// POSIX parts of the installation records: APPDATA when set, else the XDG data folder, as
// the analytics base; the locale is left alone.
#include <cstdlib>

#include "pipeline/install_record.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace pipeline::record_detail {
namespace {

// An absolute folder from the environment, or "".
std::wstring FolderFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value != '/') return {};
  return Utils::ToWide(value, Utils::kCodePageAnsi);
}

}  // namespace

std::wstring ApplicationDataBase() {
  // APPDATA names the folder where a Windows-like environment sets it; otherwise the user's
  // data folder of the XDG rules stands in for it.
  std::wstring base = FolderFromEnvironment("APPDATA");
  if (base.empty()) base = FolderFromEnvironment("XDG_DATA_HOME");
  if (base.empty()) {
    const std::wstring home = FolderFromEnvironment("HOME");
    if (!home.empty()) base = Utils::JoinPath(Utils::JoinPath(home, L".local"), L"share");
  }
  return base.size() < Utils::kMaxPathLength ? base : std::wstring();
}

void UseRecordLocale() {
  // Not switched here: on POSIX the locale decides how narrow text (file names among it)
  // converts, and the records need nothing of it.
}

}  // namespace pipeline::record_detail
