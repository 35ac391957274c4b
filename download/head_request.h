// HEAD requests of the downloaders: the options they share, and the URL a package URL's
// redirects end at.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <string>

// URL, no body, redirects followed or not, connect and overall time limits, certificate
// trust; the first refused option's result, or CURLE_OK.
CURLcode SetHeadOptions(CURL* curl, const std::string& url, bool followRedirects, long timeoutMs);

// The URL where url's redirects end (a HEAD request that follows them); "" when the request
// fails.
std::string LookUpFinalUrl(const std::string& url, std::chrono::milliseconds timeout);
