#pragma once
// For tests only: shorter time limits for the WinInet-shaped layer (wininet.h), and what it was last
// asked to open.
#include <cstdint>
#include <string>

#include "platform/wininet.h"

// Replaces the limits of internetTimeouts() for the whole process.
void setInternetTimeouts(const InternetTimeouts& timeouts);

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
