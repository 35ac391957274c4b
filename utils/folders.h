// Paths and folders: the separator, joining, the running executable, the installer's
// temporary folder, directory-tree creation, and the folders the environment names.
#pragma once

#include <string>

namespace Utils {

// Paths longer than this are refused by the folder helpers.
constexpr std::size_t kMaxPathLength = 260;

// "\" on Windows, "/" elsewhere.
wchar_t PathSeparator();
bool IsPathSeparator(wchar_t c);
// a + separator + b, without doubling a separator that a already ends with.
std::wstring JoinPath(const std::wstring& a, const std::wstring& b);

// Full path of the running executable, or "" when it cannot be read.
std::wstring GetExecutablePath();
// Everything before the last separator of a path ("" when there is none).
std::wstring DirectoryOf(const std::wstring& path);
// The last component of a path.
std::wstring FileNameOf(const std::wstring& path);

// The user's temporary folder followed by "~ZelkorTemp.92482B06FB471E17" and a separator,
// created (one level) when missing; "" when it neither exists nor can be made.
std::wstring GetInstallerTempFolder();

// Creates every missing directory of the path; false for a path over kMaxPathLength
// characters, an empty path, a failed creation, or a component that exists as a file.
bool CreateDirectoryTree(const std::wstring& path);

bool DirectoryExists(const std::wstring& path);
bool PathExists(const std::wstring& path);

// The value of an environment variable, or "" when it is not set or cannot be read.
std::wstring EnvironmentValue(const std::wstring& name);
// The folder programs are installed in: the 32-bit program files folder, else the program
// files folder (on POSIX the shared folder for add-on programs); "" when none is known.
std::wstring ProgramFilesFolder();

namespace folders_detail {
// Platform primitives.
bool MakeOneDirectory(const std::wstring& path);
std::wstring UserTempFolder();  // with a trailing separator, or ""
}  // namespace folders_detail

}  // namespace Utils
