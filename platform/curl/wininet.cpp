#include "platform/wininet.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/curl/internet_handle.h"
#include "platform/wininet_testing.h"

namespace {

std::mutex recordLock;
InternetRequestRecord lastRequest;

std::string orEmpty(const char* text) { return text == nullptr ? std::string() : std::string(text); }
bool isEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

}  // namespace

HINTERNET InternetOpenA(const char* agent, uint32_t accessType, const char* proxy, const char* proxyBypass,
                        uint32_t) {
  if (accessType != INTERNET_OPEN_TYPE_DIRECT && accessType != INTERNET_OPEN_TYPE_PROXY) return nullptr;
  if (!isEmpty(proxyBypass)) return nullptr;
  auto internet = std::make_unique<InternetHandle>();
  internet->kind = InternetHandle::Kind::Internet;
  internet->agent = orEmpty(agent);
  internet->accessType = accessType;
  if (accessType == INTERNET_OPEN_TYPE_PROXY) internet->proxyList = orEmpty(proxy);
  return internet.release();
}

HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT port, const char* userName,
                           const char* password, uint32_t service, uint32_t, uintptr_t) {
  if (!isKind(internet, InternetHandle::Kind::Internet) || isEmpty(serverName) || service != INTERNET_SERVICE_HTTP ||
      !isEmpty(userName) || !isEmpty(password)) {
    return nullptr;
  }
  auto connection = std::make_unique<InternetHandle>(*internet);
  connection->kind = InternetHandle::Kind::Connection;
  connection->host = serverName;
  connection->port = port;
  return connection.release();
}

HINTERNET HttpOpenRequestA(HINTERNET connection, const char* verb, const char* objectName, const char* version,
                           const char* referrer, const char* const* acceptTypes, uint32_t flags, uintptr_t) {
  const std::string method = isEmpty(verb) ? "GET" : verb;
  if (!isKind(connection, InternetHandle::Kind::Connection) || (method != "GET" && method != "POST") ||
      !isEmpty(referrer) || (acceptTypes != nullptr && acceptTypes[0] != nullptr)) {
    return nullptr;
  }
  auto request = std::make_unique<InternetHandle>(*connection);
  request->kind = InternetHandle::Kind::Request;
  request->verb = method;
  request->objectName = orEmpty(objectName);
  request->version = isEmpty(version) ? "HTTP/1.1" : version;
  request->flags = flags;
  {
    const std::lock_guard lock(recordLock);
    lastRequest = {request->agent,      request->accessType, request->proxyList,
                   request->host,       request->port,       request->verb,
                   request->objectName, request->version,    request->flags};
  }
  return request.release();
}

bool setResponseBodyLimit(HINTERNET request, uint64_t limit) {
  if (!isKind(request, InternetHandle::Kind::Request)) return false;
  request->bodyLimit = limit;
  return true;
}

bool InternetReadFile(HINTERNET request, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  if (!isKind(request, InternetHandle::Kind::Request) || !request->sent || bytesRead == nullptr ||
      (buffer == nullptr && bytesToRead > 0)) {
    return false;
  }
  const size_t count = std::min<size_t>(bytesToRead, request->body.size() - request->readPosition);
  if (count > 0) std::memcpy(buffer, request->body.data() + request->readPosition, count);
  request->readPosition += count;
  *bytesRead = uint32_t(count);
  return true;
}

bool HttpQueryInfoA(HINTERNET request, uint32_t infoLevel, void* buffer, uint32_t* bufferLength, uint32_t*) {
  if (!isKind(request, InternetHandle::Kind::Request) || infoLevel != HTTP_QUERY_RAW_HEADERS_CRLF ||
      bufferLength == nullptr || !request->headersComplete) {
    return false;
  }
  const std::string& headers = request->headers;
  if (buffer == nullptr || *bufferLength < headers.size() + 1) {
    *bufferLength = uint32_t(headers.size() + 1);
    return false;
  }
  std::memcpy(buffer, headers.c_str(), headers.size() + 1);
  *bufferLength = uint32_t(headers.size());
  return true;
}

bool InternetCloseHandle(HINTERNET handle) {
  if (handle == nullptr) return false;
  delete handle;
  return true;
}

InternetRequestRecord lastOpenedRequest() {
  const std::lock_guard lock(recordLock);
  return lastRequest;
}
