#pragma once
// What a handle of the WinInet-shaped layer (platform/wininet.h) holds: copies of what it was given and,
// for a request, the response of its last send.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/wininet.h"

struct InternetHandle {
  enum class Kind { Internet, Connection, Request };
  Kind kind = Kind::Internet;

  std::string agent;
  uint32_t accessType = INTERNET_OPEN_TYPE_DIRECT;
  std::string proxyList;

  std::string host;
  INTERNET_PORT port = 0;

  std::string verb;
  std::string objectName;
  std::string version;
  uint32_t flags = 0;

  uint64_t bodyLimit = UINT64_MAX;

  // The response of the last send.
  bool sent = false;
  bool setsCookies = false;  // some response of the exchange, a redirect included, set a cookie
  bool headersComplete = false;
  std::string headers;
  std::string body;
  size_t readPosition = 0;
};

inline bool isKind(HINTERNET handle, InternetHandle::Kind kind) { return handle != nullptr && handle->kind == kind; }
