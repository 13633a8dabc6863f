#pragma once
// HTTP requests in the shape of the Windows Internet calls the web code is written against, carried out
// by libcurl. Every call is synchronous and may run on any thread; one handle belongs to one thread at
// a time.
//
// A root handle (InternetOpenA) carries the user agent and the proxy choice, a connection
// (InternetConnectA) the host and port, a request (HttpOpenRequestA) the verb, object name, version and
// flags. HttpSendRequestA carries out the whole exchange and keeps the final response in memory;
// InternetReadFile then hands out its body and HttpQueryInfoA its headers. Each handle keeps copies of
// what it was given, so handles may be closed in any order, and each is freed by InternetCloseHandle.
//
// Flags:
// - INTERNET_FLAG_RELOAD: there is no cache of our own; the request also asks proxies for a fresh copy
//   ("Pragma: no-cache", "Cache-Control: no-cache") unless the caller's headers name those.
// - INTERNET_FLAG_NO_COOKIES: without it the request sends and stores cookies in one store of the
//   process, shared by all requests on every thread, which keeps at most 50 cookies per domain and 3000
//   in all (the longest held go first); with it, neither.
// - INTERNET_FLAG_NO_AUTO_REDIRECT: without it redirects are followed (at most maxRedirects) and the
//   final response is the one read; a POST becomes a GET on 301, 302 and 303.
// - INTERNET_FLAG_SECURE: https. A secure request follows redirects to https only; another request
//   follows them to http, and to https as well with INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS.
// - INTERNET_FLAG_NEED_FILE: no effect; the response is kept in memory.
#include <cstdint>
#include <string>

struct InternetHandle;
using HINTERNET = InternetHandle*;
using INTERNET_PORT = uint16_t;

inline constexpr uint32_t INTERNET_OPEN_TYPE_DIRECT = 1;
inline constexpr uint32_t INTERNET_OPEN_TYPE_PROXY = 3;
inline constexpr uint32_t INTERNET_SERVICE_HTTP = 3;

inline constexpr uint32_t INTERNET_FLAG_RELOAD = 0x80000000;
inline constexpr uint32_t INTERNET_FLAG_SECURE = 0x00800000;
inline constexpr uint32_t INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
inline constexpr uint32_t INTERNET_FLAG_NO_COOKIES = 0x00080000;
inline constexpr uint32_t INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;
inline constexpr uint32_t INTERNET_FLAG_NEED_FILE = 0x00000010;

inline constexpr uint32_t HTTP_QUERY_RAW_HEADERS_CRLF = 22;

inline constexpr long maxRedirects = 10;

// accessType INTERNET_OPEN_TYPE_DIRECT ignores proxy and the environment's proxy variables.
// INTERNET_OPEN_TYPE_PROXY takes a proxy list of entries separated by spaces or ";": "host:port" for
// every request, or "http=host:port" / "https=host:port" for one scheme; a request with no entry for
// its scheme, or an empty address, goes direct. This layer keeps no bypass list. Null when accessType
// is neither, or when a non-empty proxyBypass is given.
HINTERNET InternetOpenA(const char* agent, uint32_t accessType, const char* proxy, const char* proxyBypass,
                        uint32_t flags);
// Null for an empty host name, a service other than INTERNET_SERVICE_HTTP, or a user name or password:
// this layer sends no credentials.
HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT port, const char* userName,
                           const char* password, uint32_t service, uint32_t flags, uintptr_t context);
// verb "GET" (the default) or "POST". objectName is the path and query, sent as it is apart from
// control, space and non-ASCII bytes, which are percent-encoded. version "HTTP/1.0" or "HTTP/1.1" (the
// default). No Accept header is sent unless the caller's headers hold one. Null for another verb, a
// referrer or accept types, which this layer does not send.
HINTERNET HttpOpenRequestA(HINTERNET connection, const char* verb, const char* objectName, const char* version,
                           const char* referrer, const char* const* acceptTypes, uint32_t flags, uintptr_t context);
// headers: lines separated by "\r\n", headersLength bytes of them (-1: up to a zero byte); a line
// "Name:" is sent with an empty value. optional: the request body. True when a response's headers
// arrived in full, even if its body was cut short; the body read is then what arrived. A body over the
// request's cap (setResponseBodyLimit) fails the send.
bool HttpSendRequestA(HINTERNET request, const char* headers, uint32_t headersLength, const void* optional,
                      uint32_t optionalLength);
// The next at most bytesToRead bytes of the body; *bytesRead is 0 at the end. False before a send.
bool InternetReadFile(HINTERNET request, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead);
// HTTP_QUERY_RAW_HEADERS_CRLF: the final response's status line as the server sent it, then each header
// line, each ending in "\r\n", and an empty line, followed by a zero byte; *bufferLength becomes the
// length without the zero. With no buffer or one too small the call fails and sets *bufferLength to the
// size needed, zero included. False, with *bufferLength unchanged, when no response headers came.
bool HttpQueryInfoA(HINTERNET request, uint32_t infoLevel, void* buffer, uint32_t* bufferLength, uint32_t* index);
bool InternetCloseHandle(HINTERNET handle);

// Caps the body that request's sends take in: a response whose body is longer than limit bytes fails
// the send, which keeps neither its headers nor its body, and the rest of it is not fetched. Without a
// cap a body may have any size. False for a handle that is no request.
bool setResponseBodyLimit(HINTERNET request, uint64_t limit);

// Limits on each request, for the whole process: connecting (TLS handshake included), a stall (fewer
// than 1 byte per second for stallSeconds), and the whole exchange with its redirects (0: no limit).
// Any of them ends the send; what had arrived by then is kept.
struct InternetTimeouts {
  long connectMs = 10000;
  long stallSeconds = 30;
  long totalMs = 120000;
};
// They hold for the runtime's HTTP GET (http_get.h) as well.
InternetTimeouts internetTimeouts();
