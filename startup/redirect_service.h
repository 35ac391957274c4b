// The redirect service that maps route words to package URLs, and the pages it serves.
#pragma once

// Host of the redirect service (a reserved name until the real service exists).
inline constexpr const wchar_t* kRedirectServiceHost = L"redirect.zelkorsoft.example";
// Path of the package route; "${ROUTE}" becomes the route word.
inline constexpr const wchar_t* kPackageRoutePath = L"/redirect/ver1/tavelo/${ROUTE}/1.0/installer/123456";
