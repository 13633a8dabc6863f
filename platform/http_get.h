#pragma once
// The GUI runtime's HTTP GET: an HTTP/1.0 request as the old browser engine made it, with caches
// bypassed ("Pragma: no-cache", "Cache-Control: no-cache") and redirects followed (at most
// maxRedirects, from wininet.h). Direct connection, proxy variables of the environment ignored; the
// time limits are those of internetTimeouts(). Blocks; callable from any thread.
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr char httpGetAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// The body of the final response as bytes, whatever its status: an error page is a body like any
// other. Empty when nothing came: no connection, no response, a transfer that failed partway (a
// cut-off body is not handed out), or a body longer than bodyLimit bytes (the rest is not fetched).
std::string httpGet(const std::string& url, size_t bodyLimit = SIZE_MAX);
