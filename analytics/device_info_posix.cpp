// POSIX device queries, the nearest answers to the Windows ones: the user's locale from
// LC_ALL or LANG, and the per-user data folder ($XDG_DATA_HOME, else ~/.local/share) as
// the base folder, made when missing as the XDG rules allow.
#include <cstdlib>

#include "analytics/device_info.h"

namespace usage::zelkor {
namespace {

std::string environmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

bool systemLocale(std::string& language, std::string& country, std::string& locale) {
  // LC_ALL overrides every category; LANG is the default for all of them.
  std::string name = environmentText("LC_ALL");
  if (name.empty()) name = environmentText("LANG");
  LocaleTexts texts;
  if (!splitPosixLocaleName(name, texts)) return false;
  language = texts.language;
  country = texts.country;
  locale = texts.locale;
  return true;
}

std::string baseFolder() {
  std::string folder = environmentText("XDG_DATA_HOME");
  // The XDG rules ignore a relative path here.
  if (folder.empty() || folder.front() != '/') {
    const std::string home = environmentText("HOME");
    if (home.empty()) return {};
    folder = home + (home.back() == '/' ? "" : "/") + ".local/share";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return ensureDirectory(folder) ? folder : std::string();
}

}  // namespace usage::zelkor
