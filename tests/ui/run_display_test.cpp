// The run's arithmetic and texts: the two progress shares, the progress text with the
// skin's own format, the failure texts and their cut, and the saturating conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ui/run_display.h"

namespace {

using namespace run_display;

TEST(RunDisplay, InstallFractionStepsAndFollowsThePackage) {
  const struct {
    double shown, value, next;
  } cases[] = {
      {0.0, 0.0, 0.15}, {0.15, 0.1, 0.30}, {0.0, 0.9, 0.9}, {0.9, 0.0, 0.95},
      {0.95, 0.0, 0.95}, {0.5, 2.0, 1.0}, {0.5, -1.0, 0.65}, {0.5, std::nan(""), 0.65},
  };
  for (const auto& c : cases) EXPECT_NEAR(NextInstallFraction(c.shown, c.value), c.next, 1e-9) << c.shown << " " << c.value;
  EXPECT_EQ(InstallPercent(0.15, 0.7), 74);
  EXPECT_EQ(InstallPercent(0.9, 0.7), 97);
  EXPECT_EQ(InstallPercent(1.0, 0.7), 100);
  EXPECT_EQ(DownloadPercent(0.5, 0.7), 35);
  EXPECT_EQ(DownloadPercent(1.0, 1.5), 100) << "a share above the whole is the whole";
}

TEST(RunDisplay, TheSkinsFormatGetsOnlyThePercentage) {
  EXPECT_EQ(ProgressText(L"", false, 35), L"正在安装中:35%，请稍候...");
  EXPECT_EQ(ProgressText(L"", true, 35), L"正在安装中:35%，请耐心等待...");
  EXPECT_EQ(ProgressText(L"Installing %d%%", true, 7), L"Installing 7%");
  // Conversions other than %d are left as written: a skin cannot make the window read
  // arguments that are not there.
  EXPECT_EQ(ProgressText(L"%s %n %d %x%", false, 1), L"%s %n 1 %x%");
  EXPECT_EQ(ProgressText(std::wstring(400, L'x'), false, 1).size(), 249u);
}

TEST(RunDisplay, FailureTextsCarryTheirFieldsWithinTheReportBuffer) {
  EXPECT_EQ(FailureText(28, L"timeout"), L":1.code=28；2.msg=timeout");
  EXPECT_EQ(DownloadFailureText(22, L"HTTP 404", 12.3456, true, 0x10040),
            L"1.code=22；2.msg=HTTP 404；3.缓存磁盘容量=12.35G；4.缓存读写权限=可读；5.服务器连接状态code=65600");
  EXPECT_EQ(DownloadFailureText(1, L"", 0, false, 0),
            L"1.code=1；2.msg=；3.缓存磁盘容量=0.00G；4.缓存读写权限=无权限；5.服务器连接状态code=0");
  EXPECT_EQ(FailureText(1, std::wstring(1000, L'e')).size(), 199u);
  EXPECT_EQ(DownloadFailureText(1, std::wstring(1000, L'e'), 1, true, 0).size(), 199u);
}

TEST(RunDisplay, TheCutNeverSplitsASurrogatePair) {
  // U+1F600 in UTF-16: a high and a low surrogate.
  const std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  const std::wstring fits(198, L'a');
  const struct {
    std::wstring text;
    std::wstring cut;
  } cases[] = {
      {fits + pair, fits},                      // the pair would straddle the end: both go
      {fits + L"b" + pair, fits + L"b"},        // the pair lies beyond the end
      {std::wstring(197, L'a') + pair + L"c", std::wstring(197, L'a') + pair},
      {L"short", L"short"},
  };
  for (const auto& c : cases) EXPECT_EQ(FitText(c.text, 200), c.cut);
  EXPECT_EQ(FitText(L"abc", 0), L"");
}

TEST(RunDisplay, ConversionsSaturate) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ToInt32(nan), 0);
  EXPECT_EQ(ToInt32(1e300), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(ToInt32(-1e300), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ToInt32(2.9), 2);
  EXPECT_EQ(ToUint32(-5), 0u);
  EXPECT_EQ(ToUint32(1e12), 4294967295u);
  EXPECT_EQ(ToUint32(2000.7), 2000u);
}

}  // namespace
