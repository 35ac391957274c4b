// What the stand-in setup package, old uninstaller and product do, and the names tests use
// to choose it. The installer's child inherits the environment, so a test sets one variable
// before the installer starts the stand-in.
#pragma once

namespace standin {

// Environment variables read by the stand-in. Unset or an empty value means kSuccess.
inline constexpr char kPackageVariable[] = "TAVELO_STANDIN_PACKAGE";      // package role
inline constexpr char kUninstallVariable[] = "TAVELO_STANDIN_UNINSTALL";  // uninstaller role
// How long the product role stays alive, in milliseconds (default 0).
inline constexpr char kProductLingerVariable[] = "TAVELO_STANDIN_PRODUCT_MS";

// Roles, chosen by the command line:
// - uninstaller: it holds "_?=DIR" (DIR the rest of the command line). The work is removing
//   DIR with everything in it. Normal output: "Progress=0.5", then "State=Success"
//   ("State=Fail" when DIR cannot be removed).
// - package: it holds "/S" and no "_?=". The work is installing into the folder after the
//   last "/D=" (the rest of the command line; without one, the package's own folder): the
//   folder is created with its parents and the running program is copied to
//   kProductFile and kUninstallerFile there. Normal output: "Encode=UTF8", "Progress=0.1",
//   then after the work "Progress=1.0", "InstPath=DIR", "ExePath=DIR<sep>Tavelo.exe",
//   "UninstEp=DIR<sep>uninst.ep", "StartupStyle=UserStartup", "InstallVersion=1.2.3",
//   "State=Success" ("Error=cannot install into DIR" when the work fails).
// - product: anything else. Appends "started" and each argument after a blank as one line
//   to kProductLog beside its own executable, stays kProductLingerVariable milliseconds,
//   exits 0. An argument kLingerArgument + MS (how the grandchild behaviour starts it)
//   makes it stay MS milliseconds and write no line.
// Every line ends with "\n" alone and goes out in one write. All behaviours apply to both
// roles with the role's own normal output; the "normal run" below is that output with the
// work between the opening lines and the result lines.
inline constexpr char kSuccess[] = "success";  // the normal run
// Progress=0.2 ... Progress=0.9 as separate lines (one write each) inside the normal run.
inline constexpr char kSteps[] = "steps";
// The opening lines, then "State=Fail"; no work.
inline constexpr char kFail[] = "fail";
// The opening lines, "Encode=UTF8", then "Error=" + kErrorText in UTF-8; no work.
inline constexpr char kError[] = "error";
// "Encode=UTF8" and "Message=" + kMessageText in UTF-8, then the normal run.
inline constexpr char kUtf8Message[] = "utf8-message";
// First of all "Message=" + kMessageBytesCp936 (no "Encode=" before it), then the normal run.
inline constexpr char kCp936Message[] = "cp936-message";
// The work, and no output at all.
inline constexpr char kSilent[] = "silent";
// "Progress=0.3", the work, "Progress=0.6", exit without a result line.
inline constexpr char kNoResult[] = "no-result";
// The opening lines, "Progress=0.2", then an abnormal end (a SIGSEGV; on Windows the
// process ends with 0xC0000005 and no debugger dialog); no work.
inline constexpr char kCrash[] = "crash";
// Two writes of exactly 1024 bytes each: "Encode=UTF8" plus an ASCII padding line, then
// bytes that are no UTF-8 (control bytes, NULs, broken sequences, ending in "\n"); then
// the normal run.
inline constexpr char kGarbage[] = "garbage";
// The opening lines, one line "Message=" + kLongLineBytes x 'L' in one write, then the rest
// of the normal run.
inline constexpr char kLongLine[] = "long-line";
// The normal run, then kFloodBytes of "Trailing=..." lines (no protocol key) in one write.
inline constexpr char kFloodAfterResult[] = "flood-after-result";
// The opening lines, then kBurstLines lines "Progress=0.001" ... "Progress=0.300" in ONE
// write (4500 bytes: a 1024-byte reader gets lines cut in the middle), then the rest.
inline constexpr char kBurst[] = "burst";
// The opening lines, kFloodBytes on standard error in one write, then the rest.
inline constexpr char kStderrFlood[] = "stderr-flood";
// The opening lines, then a copy of the program in product role that inherits the standard
// streams and stays kGrandchildMs, then the rest of the normal run; exits at once.
inline constexpr char kGrandchild[] = "grandchild";
// The opening lines, "Progress=0.5", a pause of kLatePauseMs, then "State=Fail" and an
// immediate exit; no work.
inline constexpr char kLateFail[] = "late-fail";
// The normal run with "Progress=0.2/0.4/0.6/0.8" each followed by a pause of kSlowPauseMs.
inline constexpr char kSlow[] = "slow";
// Package role: the normal run, and the work also writes "set.ini" in the folder with
// section "Uninstall", key IsOverride=false (other sections of an existing file are kept).
// Uninstaller role: the normal run.
inline constexpr char kKeep[] = "keep";
// Any other value: "Error=unknown stand-in behaviour NAME" and exit code 2.

// Files of an installation.
inline constexpr wchar_t kProductFile[] = L"Tavelo.exe";
inline constexpr wchar_t kUninstallerFile[] = L"uninst.ep";
inline constexpr wchar_t kSettingsFile[] = L"set.ini";
inline constexpr wchar_t kProductLog[] = L"product-runs.log";
inline constexpr char kInstalledVersion[] = "1.2.3";
inline constexpr char kLingerArgument[] = "-standin-linger=";

// Texts and sizes of the behaviours.
inline constexpr wchar_t kErrorText[] = L"\u78C1\u76D8\u7A7A\u95F4\u4E0D\u8DB3";    // 磁盘空间不足
inline constexpr wchar_t kMessageText[] = L"\u5B89\u88C5\u5B8C\u6210\uFF0C\u6B22\u8FCE\u4F7F\u7528";  // 安装完成，欢迎使用
inline constexpr char kMessageBytesCp936[] = "\xB0\xB2\xD7\xB0\xCD\xEA\xB3\xC9";  // 安装完成 in GBK
inline constexpr wchar_t kMessageTextCp936[] = L"\u5B89\u88C5\u5B8C\u6210";       // the same, decoded
inline constexpr unsigned kBurstLines = 300;
inline constexpr unsigned long kLongLineBytes = 1024UL * 1024UL;
inline constexpr unsigned long kFloodBytes = 1024UL * 1024UL + 4096UL;
inline constexpr unsigned kGrandchildMs = 30000;
inline constexpr unsigned kLatePauseMs = 300;
inline constexpr unsigned kSlowPauseMs = 300;

}  // namespace standin
