// Progress arithmetic and the run's texts.
#include "ui/run_display.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <limits>

namespace run_display {
namespace {

constexpr std::size_t kProgressTextCapacity = 250;
constexpr std::size_t kReportTextCapacity = 200;

double Clamp01(double value) { return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0); }

int Percent(double fraction) { return static_cast<int>(Clamp01(fraction) * 100.0); }

bool IsHighSurrogate(wchar_t c) { return static_cast<unsigned>(c) >= 0xD800u && static_cast<unsigned>(c) <= 0xDBFFu; }

}  // namespace

std::int32_t ToInt32(double value) {
  if (std::isnan(value)) return 0;
  constexpr double low = std::numeric_limits<std::int32_t>::min();
  constexpr double high = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(value, low, high));
}

std::uint32_t ToUint32(double value) {
  if (std::isnan(value)) return 0;
  constexpr double high = std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(std::clamp(value, 0.0, high));
}

int DownloadPercent(double value, double downloadScale) { return Percent(Clamp01(value) * Clamp01(downloadScale)); }

double NextInstallFraction(double shown, double value) {
  const double stepped = std::min(Clamp01(shown) + 0.15, 0.95);
  return std::isnan(value) ? stepped : std::max(stepped, Clamp01(value));
}

int InstallPercent(double fraction, double downloadScale) {
  const double scale = Clamp01(downloadScale);
  return Percent((1.0 - scale) * Clamp01(fraction) + scale);
}

std::wstring ProgressText(const std::wstring& skinFormat, bool slowDownload, int percent) {
  const std::wstring format = !skinFormat.empty() ? skinFormat
                              : slowDownload      ? L"正在安装中:%d%%，请耐心等待..."
                                                  : L"正在安装中:%d%%，请稍候...";
  std::wstring text;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == L'%' && i + 1 < format.size() && format[i + 1] == L'd') {
      text += std::to_wstring(percent);
      ++i;
    } else if (format[i] == L'%' && i + 1 < format.size() && format[i + 1] == L'%') {
      text += L'%';
      ++i;
    } else {
      text += format[i];
    }
  }
  return FitText(std::move(text), kProgressTextCapacity);
}

std::wstring DownloadFailureText(long code, const std::wstring& message, double freeGigabytes, bool writable,
                                 std::int32_t serverStatus) {
  wchar_t space[64];
  std::swprintf(space, 64, L"%.2f", freeGigabytes);
  return FitText(L"1.code=" + std::to_wstring(code) + L"；2.msg=" + message + L"；3.缓存磁盘容量=" + space +
                     L"G；4.缓存读写权限=" + (writable ? L"可读" : L"无权限") +
                     L"；5.服务器连接状态code=" + std::to_wstring(serverStatus),
                 kReportTextCapacity);
}

std::wstring FailureText(long code, const std::wstring& message) {
  return FitText(L":1.code=" + std::to_wstring(code) + L"；2.msg=" + message, kReportTextCapacity);
}

std::wstring FitText(std::wstring text, std::size_t capacity) {
  if (capacity == 0) return {};
  if (text.size() < capacity) return text;
  std::size_t length = capacity - 1;
  // The character before the cut would lose its second half: cut before it instead.
  if (length > 0 && IsHighSurrogate(text[length - 1])) --length;
  text.resize(length);
  return text;
}

}  // namespace run_display
