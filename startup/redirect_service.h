// The redirect service that maps route words to package URLs, and the pages it serves.
#pragma once

#include <string>

// Host of the redirect service (a reserved name until the real service exists).
inline constexpr const wchar_t* kRedirectServiceHost = L"redirect.zelkorsoft.example";
// Path of the package route; "${ROUTE}" becomes the route word.
inline constexpr const wchar_t* kPackageRoutePath = L"/redirect/ver1/tavelo/${ROUTE}/1.0/installer/123456";

// Pages of the redirect service that the installer's window opens.
inline constexpr const wchar_t* kHelpPagePath = L"/redirect/ver1/tavelo/help/1.0/installer/123456";
inline constexpr const wchar_t* kTermsPagePath = L"/redirect/ver1/tavelo/terms/1.0/installer/123456";
inline std::wstring HelpPageUrl() { return std::wstring(L"http://") + kRedirectServiceHost + kHelpPagePath; }
inline std::wstring TermsPageUrl() { return std::wstring(L"http://") + kRedirectServiceHost + kTermsPagePath; }
