#pragma once
// Taking a URL apart for a request: host, port and the path with its query.
#include <string>

// The host in lower case, with or without a scheme ("https://" only at the very start). domainOnly keeps
// the last two dot-separated labels; keepPort keeps a ":port" after the host.
std::string urlHost(const std::string& url, bool domainOnly = false, bool keepPort = false);
// The port after the host's last ":", else 443 for an "https" URL and 80 for any other.
int urlPort(const std::string& url);
// The URL from the first "/" after the first place its host occurs, letters unchanged; "/" when none.
std::string urlPath(const std::string& url);
