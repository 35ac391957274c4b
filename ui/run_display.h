// The arithmetic and texts of an install run as the main window shows and reports it: the
// progress percentages of the download and install shares, the progress text, and the
// failure texts cut to their report buffers. Pure functions; bad figures from a package
// (below 0, above 1, NaN, huge) never give a percentage outside 0-100.
#pragma once

#include <cstdint>
#include <string>

namespace run_display {

// Conversions of a package's figures that saturate at the type's range (NaN gives 0).
std::int32_t ToInt32(double value);
std::uint32_t ToUint32(double value);

// The percentage shown for download progress value (0-1) with the download share.
int DownloadPercent(double value, double downloadScale);
// The install fraction to show after an install progress event: at least 0.15 more than
// shown so far (up to 0.95), or the package's own figure when higher; within 0-1.
double NextInstallFraction(double shown, double value);
// The percentage shown for an install fraction: the download share plus that part of the
// install share.
int InstallPercent(double fraction, double downloadScale);

// The progress text: the skin's own format (its "%d" the percentage, "%%" a percent sign,
// nothing else substituted) when it has one, else the installer's, whose wording asks for
// patience once the download has taken over a minute. At most 249 characters.
std::wstring ProgressText(const std::wstring& skinFormat, bool slowDownload, int percent);

// Failure report texts, cut to 199 characters.
std::wstring DownloadFailureText(long code, const std::wstring& message, double freeGigabytes, bool writable,
                                 std::int32_t serverStatus);
std::wstring FailureText(long code, const std::wstring& message);

// text cut to at most capacity - 1 characters, never between the two halves of a UTF-16
// surrogate pair.
std::wstring FitText(std::wstring text, std::size_t capacity);

}  // namespace run_display
