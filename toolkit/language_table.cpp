// The multi-language table, guarded for use from any thread.
#include "toolkit/language_table.h"

#include <map>
#include <mutex>

namespace SkinUI {
namespace {

std::mutex g_lock;
std::map<std::wstring, std::wstring>& Table() {
  static std::map<std::wstring, std::wstring> table;
  return table;
}

}  // namespace

void SetLanguageText(const std::wstring& id, const std::wstring& text) {
  std::lock_guard<std::mutex> hold(g_lock);
  Table()[id] = text;
}

std::wstring GetLanguageText(const std::wstring& id) {
  std::lock_guard<std::mutex> hold(g_lock);
  const auto found = Table().find(id);
  return found == Table().end() ? std::wstring() : found->second;
}

void ClearLanguageTexts() {
  std::lock_guard<std::mutex> hold(g_lock);
  Table().clear();
}

std::wstring ResolveLanguageText(const std::wstring& text) {
  if (text.size() < 4 || text.compare(0, 2, L"%[") != 0 || text.back() != L']') return text;
  return GetLanguageText(text.substr(2, text.size() - 3));
}

}  // namespace SkinUI
