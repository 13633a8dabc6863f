#pragma once
// For tests only: what the WinInet-shaped layer (wininet.h) was last asked to open.
#include <cstdint>
#include <string>

#include "platform/wininet.h"

// What the process's last HttpOpenRequestA was given, with its connection and root handle; lets a test
// check the flags and port of a request that never reaches a server of its own.
struct InternetRequestRecord {
  std::string agent;
  uint32_t accessType = 0;
  std::string proxy;
  std::string host;
  INTERNET_PORT port = 0;
  std::string verb;
  std::string objectName;
  std::string version;
  uint32_t flags = 0;
};
InternetRequestRecord lastOpenedRequest();
