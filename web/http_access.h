#pragma once
// One HTTP request with the program's default request headers, cookie handling, 301 follow-up and
// UTF-8 to GBK conversion of the body. Blocks until the body has been read or the request failed; it
// keeps no state of its own and may run on any thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The optional arguments of httpAccess after the url, in their order. The in/out ones are read and
// written back; cookies and proxy are "supplied" when they hold a value, even an empty one.
struct HttpAccessArgs {
  int method = 0;                        // 1: "POST"; any other value "GET". Non-zero sends a body.
  std::string postText;                  // the body when postBytes is empty
  std::optional<std::string> cookies;    // in/out: when supplied, sent as Cookie and merged with the
                                         // response's; the layer's own cookie store is then off
  std::string returnedCookies;           // out: name=value of each Set-Cookie line, each + "; "
  std::string extraHeaders;              // in/out: header lines joined by "\r\n"; defaults are added
  std::string location;                  // in/out: the Location value, else a copy of rawHeaders
  int noRedirect = 0;                    // non-zero: the layer does not follow redirects
  std::string postBytes;                 // in/out: the body; receives postText when sent empty
  std::optional<std::string> proxy;      // when supplied: "host:port" of the http proxy
  std::string rawHeaders;                // out: status line and header lines, each + "\r\n"
  size_t bodyLimit = SIZE_MAX;           // a longer body fails the request: nothing is received
};

// 301 follow-ups made by one call at most; the call then gives up with the empty body.
inline constexpr int maxFollowUps = 10;

inline constexpr char defaultUserAgent[] =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; KV3ZR; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
    ".NET CLR 3.5.21022)";

// The response body (bytes), converted from UTF-8 to GBK when "charset=utf-8" starts at a byte position
// below 500 of the body or appears in the headers; empty when nothing came or the request could not be
// opened (args are then left as they were).
std::string httpAccess(const std::string& url, HttpAccessArgs& args);
std::string httpAccess(const std::string& url);

// UTF-8 bytes to UTF-16LE bytes, and to GBK bytes; invalid UTF-8 gives U+FFFD, a character GBK lacks "?".
std::string utf8ToUtf16(const std::string& bytes);
std::string utf8ToGbk(const std::string& bytes);
