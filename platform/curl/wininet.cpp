#include "platform/wininet.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

struct InternetHandle {
  enum class Kind { Internet, Connection, Request };
  Kind kind = Kind::Internet;

  std::string agent;
  uint32_t accessType = INTERNET_OPEN_TYPE_DIRECT;
  std::string proxyList;
  std::string proxyBypass;

  std::string host;
  INTERNET_PORT port = 0;
  std::string userName;
  std::string password;

  std::string verb;
  std::string objectName;
  std::string version;
  std::string referrer;
  std::string acceptTypes;  // joined with ", "; empty when none were given
  uint32_t flags = 0;

  uint64_t bodyLimit = UINT64_MAX;

  // The response of the last send.
  bool sent = false;
  bool setsCookies = false;  // some response of the exchange, a redirect included, set a cookie
  bool bodyRefused = false;  // over bodyLimit, or no memory to keep it
  bool headersComplete = false;
  std::string headers;
  std::string body;
  size_t readPosition = 0;
};

namespace {

struct CurlEasyFree {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyFree>;
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

bool append(CurlList& list, const std::string& line) {
  curl_slist* longer = curl_slist_append(list.get(), line.c_str());
  if (longer == nullptr) return false;
  (void)list.release();
  list.reset(longer);
  return true;
}

void initCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The process's cookie store. Requests on several threads use it, so curl locks it through these.
std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks;

void lockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { shareLocks[data].lock(); }
void unlockShare(CURL*, curl_lock_data data, void*) { shareLocks[data].unlock(); }

CURLSH* cookieStore() {
  static CURLSH* const store = [] {
    CURLSH* share = curl_share_init();
    if (share == nullptr) return share;
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, lockShare);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, unlockShare);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    return share;
  }();
  return store;
}

// Bounds of the cookie store, at the floors RFC 6265 sets for what a client keeps: without them a site
// that sets new names on every request makes the store, and every request's Cookie line, grow for ever.
constexpr size_t cookiesPerDomain = 50;
constexpr size_t cookiesInAll = 3000;

// A cookie as curl lists it: domain, tail match, path, secure, expiry, name and value, joined by tabs;
// "#HttpOnly_" before the domain marks an HttpOnly one.
std::string cookieDomain(const std::string& line) {
  std::string domain = line.substr(0, line.find('\t'));
  if (domain.rfind("#HttpOnly_", 0) == 0) domain.erase(0, 10);
  if (!domain.empty() && domain[0] == '.') domain.erase(0, 1);
  return domain;
}

// The same cookie with an expiry in the past; empty for a line without the fields.
std::string expiredCookie(const std::string& line) {
  size_t expiry = 0;
  for (int tabs = 0; tabs < 4; ++tabs) {
    expiry = line.find('\t', expiry);
    if (expiry == std::string::npos) return {};
    ++expiry;
  }
  const size_t end = line.find('\t', expiry);
  if (end == std::string::npos) return {};
  return line.substr(0, expiry) + "1" + line.substr(end);
}

// Brings the store back within its bounds after a response set cookies: a domain's oldest cookies go
// first (curl lists each domain's cookies in the order they were first set), and while the store as a
// whole is too full, the oldest of the domain that holds the most. A cookie goes by expiring it.
void boundCookieStore(CURL* c) {
  curl_slist* listed = nullptr;
  if (curl_easy_getinfo(c, CURLINFO_COOKIELIST, &listed) != CURLE_OK) return;
  const CurlList cookies(listed);
  std::map<std::string, std::deque<std::string>> byDomain;
  size_t total = 0;
  for (const curl_slist* item = cookies.get(); item != nullptr; item = item->next, ++total) {
    byDomain[cookieDomain(item->data)].push_back(item->data);
  }
  std::vector<std::string> evicted;
  for (auto& [domain, lines] : byDomain) {
    for (; lines.size() > cookiesPerDomain; --total) {
      evicted.push_back(lines.front());
      lines.pop_front();
    }
  }
  for (; total > cookiesInAll; --total) {
    auto& lines = std::max_element(byDomain.begin(), byDomain.end(), [](const auto& a, const auto& b) {
                    return a.second.size() < b.second.size();
                  })->second;
    evicted.push_back(lines.front());
    lines.pop_front();
  }
  for (const std::string& line : evicted) {
    const std::string expired = expiredCookie(line);
    if (!expired.empty()) curl_easy_setopt(c, CURLOPT_COOKIELIST, expired.c_str());
  }
}

std::mutex settingsLock;
InternetTimeouts timeouts;
InternetRequestRecord lastRequest;

std::string orEmpty(const char* text) { return text == nullptr ? std::string() : std::string(text); }

bool isKind(HINTERNET handle, InternetHandle::Kind kind) { return handle != nullptr && handle->kind == kind; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (lowerAscii(text[i]) != lowerAscii(prefix[i])) return false;
  }
  return true;
}

std::vector<std::string> splitAny(const std::string& text, const char* separators) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find_first_of(separators, start), text.size());
    if (end > start) items.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

// The proxy address the list names for scheme; empty for a direct connection.
std::string proxyFor(const std::string& proxyList, const std::string& scheme) {
  for (const std::string& entry : splitAny(proxyList, " ;")) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) return entry;
    if (entry.compare(0, equals, scheme) == 0) return entry.substr(equals + 1);
  }
  return {};
}

// curl's bypass list is comma-separated and knows no "<local>".
std::string curlBypass(const std::string& proxyBypass) {
  std::string joined;
  for (const std::string& entry : splitAny(proxyBypass, " ;,")) {
    if (entry == "<local>") continue;
    if (!joined.empty()) joined += ',';
    joined += entry;
  }
  return joined;
}

std::string encodeObjectName(const std::string& objectName) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out = objectName.empty() || objectName[0] != '/' ? "/" : "";
  for (const char c : objectName) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F) {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

std::string requestUrl(const InternetHandle& request, const std::string& scheme) {
  const std::string host = request.host.find(':') != std::string::npos ? "[" + request.host + "]" : request.host;
  return scheme + "://" + host + ":" + std::to_string(request.port) + encodeObjectName(request.objectName);
}

// The caller's header lines; a line "Name:" becomes curl's "Name;" so that it is sent empty rather than
// removed.
std::vector<std::string> headerLines(const std::string& headers) {
  std::vector<std::string> lines;
  for (std::string line : splitAny(headers, "\r\n")) {
    const size_t last = line.find_last_not_of(' ');
    if (last != std::string::npos && line[last] == ':') line = line.substr(0, last) + ";";
    lines.push_back(line);
  }
  return lines;
}

bool namesHeader(const std::vector<std::string>& lines, const std::string& name) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return startsWithNoCase(line, name) && line.size() > name.size() &&
           (line[name.size()] == ':' || line[name.size()] == ';');
  });
}

// Keeps the header block of the last response: every status line starts it afresh (a redirect, a
// "100 Continue", a proxy's CONNECT answer), and lines after its blank line are trailers.
size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto& request = *static_cast<InternetHandle*>(user);
  const size_t total = size * count;
  std::string line(data, total);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (startsWithNoCase(line, "Set-Cookie:")) request.setsCookies = true;
  if (line.compare(0, 5, "HTTP/") == 0) {
    request.headers.clear();
    request.headersComplete = false;
  } else if (request.headersComplete || request.headers.empty()) {
    return total;
  }
  request.headers += line + "\r\n";
  if (line.empty()) request.headersComplete = true;
  return total;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto& request = *static_cast<InternetHandle*>(user);
  if (appendBodyPiece(request.body, data, size * count, request.bodyLimit)) return size * count;
  request.bodyRefused = true;
  return 0;
}

}  // namespace

HINTERNET InternetOpenA(const char* agent, uint32_t accessType, const char* proxy, const char* proxyBypass,
                        uint32_t) {
  if (accessType != INTERNET_OPEN_TYPE_DIRECT && accessType != INTERNET_OPEN_TYPE_PROXY) return nullptr;
  initCurl();
  auto internet = std::make_unique<InternetHandle>();
  internet->kind = InternetHandle::Kind::Internet;
  internet->agent = orEmpty(agent);
  internet->accessType = accessType;
  if (accessType == INTERNET_OPEN_TYPE_PROXY) {
    internet->proxyList = orEmpty(proxy);
    internet->proxyBypass = orEmpty(proxyBypass);
  }
  return internet.release();
}

HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT port, const char* userName,
                           const char* password, uint32_t service, uint32_t, uintptr_t) {
  if (!isKind(internet, InternetHandle::Kind::Internet) || serverName == nullptr || serverName[0] == '\0' ||
      service != INTERNET_SERVICE_HTTP) {
    return nullptr;
  }
  auto connection = std::make_unique<InternetHandle>(*internet);
  connection->kind = InternetHandle::Kind::Connection;
  connection->host = serverName;
  connection->port = port;
  connection->userName = orEmpty(userName);
  connection->password = orEmpty(password);
  return connection.release();
}

HINTERNET HttpOpenRequestA(HINTERNET connection, const char* verb, const char* objectName, const char* version,
                           const char* referrer, const char* const* acceptTypes, uint32_t flags, uintptr_t) {
  if (!isKind(connection, InternetHandle::Kind::Connection)) return nullptr;
  auto request = std::make_unique<InternetHandle>(*connection);
  request->kind = InternetHandle::Kind::Request;
  request->verb = verb == nullptr || verb[0] == '\0' ? "GET" : verb;
  request->objectName = orEmpty(objectName);
  request->version = version == nullptr || version[0] == '\0' ? "HTTP/1.1" : version;
  request->referrer = orEmpty(referrer);
  for (const char* const* type = acceptTypes; type != nullptr && *type != nullptr; ++type) {
    if (!request->acceptTypes.empty()) request->acceptTypes += ", ";
    request->acceptTypes += *type;
  }
  request->flags = flags;
  {
    const std::lock_guard lock(settingsLock);
    lastRequest = {request->agent,      request->accessType, request->proxyList,
                   request->host,       request->port,       request->verb,
                   request->objectName, request->version,    request->flags};
  }
  return request.release();
}

bool HttpSendRequestA(HINTERNET request, const char* headers, uint32_t headersLength, const void* optional,
                      uint32_t optionalLength) {
  if (!isKind(request, InternetHandle::Kind::Request)) return false;
  InternetHandle& r = *request;
  r.sent = true;
  r.setsCookies = false;
  r.bodyRefused = false;
  r.headersComplete = false;
  r.headers.clear();
  r.body.clear();
  r.readPosition = 0;

  std::string headerText;
  if (headers != nullptr) {
    headerText = headersLength == uint32_t(-1) ? std::string(headers) : std::string(headers, headersLength);
  }
  const std::string body =
      optional != nullptr ? std::string(static_cast<const char*>(optional), optionalLength) : std::string();
  const bool hasBody = optional != nullptr && optionalLength > 0;

  CurlEasy easy(curl_easy_init());
  if (!easy) return false;
  CURL* c = easy.get();
  const bool secure = (r.flags & INTERNET_FLAG_SECURE) != 0;
  const std::string scheme = secure ? "https" : "http";
  const std::string url = requestUrl(r, scheme);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, r.version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);

  const std::string proxy = r.accessType == INTERNET_OPEN_TYPE_PROXY ? proxyFor(r.proxyList, scheme) : "";
  const std::string bypass = curlBypass(r.proxyBypass);
  curl_easy_setopt(c, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(c, CURLOPT_NOPROXY, bypass.c_str());

  if (!r.agent.empty()) curl_easy_setopt(c, CURLOPT_USERAGENT, r.agent.c_str());
  if (!r.referrer.empty()) curl_easy_setopt(c, CURLOPT_REFERER, r.referrer.c_str());
  if (!r.userName.empty()) {
    curl_easy_setopt(c, CURLOPT_USERNAME, r.userName.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, r.password.c_str());
  }

  const std::vector<std::string> lines = headerLines(headerText);
  CurlList list;
  bool listed = true;
  for (const std::string& line : lines) listed = listed && append(list, line);
  if (!namesHeader(lines, "Accept")) listed = listed && append(list, r.acceptTypes.empty() ? "Accept:" : "Accept: " + r.acceptTypes);
  // curl would name a form's type for a body; only the caller does here.
  if ((r.verb == "POST" || hasBody) && !namesHeader(lines, "Content-Type")) listed = listed && append(list, "Content-Type:");
  if ((r.flags & INTERNET_FLAG_RELOAD) != 0) {
    if (!namesHeader(lines, "Pragma")) listed = listed && append(list, "Pragma: no-cache");
    if (!namesHeader(lines, "Cache-Control")) listed = listed && append(list, "Cache-Control: no-cache");
  }
  listed = listed && append(list, "Expect:");
  if (!listed) return false;
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, list.get());

  if (r.verb == "POST") {
    curl_easy_setopt(c, CURLOPT_POST, 1L);
  } else if (r.verb == "HEAD" && !hasBody) {
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  } else if (r.verb != "GET" || hasBody) {
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, r.verb.c_str());
  }
  if (r.verb == "POST" || hasBody) {
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
  }

  const bool follow = (r.flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0;
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, maxRedirects);
  const bool toHttps = secure || (r.flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS) != 0;
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : toHttps ? "http,https" : "http");

  const bool storesCookies = (r.flags & INTERNET_FLAG_NO_COOKIES) == 0 && cookieStore() != nullptr;
  if (storesCookies) {
    curl_easy_setopt(c, CURLOPT_SHARE, cookieStore());
    curl_easy_setopt(c, CURLOPT_COOKIEFILE, "");
  }

  applyInternetTimeouts(c);

  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &r);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &r);

  const CURLcode result = curl_easy_perform(c);
  if (storesCookies && r.setsCookies) boundCookieStore(c);
  if (r.bodyRefused) {
    r.headersComplete = false;
    r.body.clear();
  }
  if (!r.headersComplete) r.headers.clear();
  return result == CURLE_OK || r.headersComplete;
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

void setInternetTimeouts(const InternetTimeouts& limits) {
  const std::lock_guard lock(settingsLock);
  timeouts = limits;
}

InternetTimeouts internetTimeouts() {
  const std::lock_guard lock(settingsLock);
  return timeouts;
}

void applyInternetTimeouts(void* curlEasyHandle) {
  CURL* c = static_cast<CURL*>(curlEasyHandle);
  const InternetTimeouts limits = internetTimeouts();
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, limits.totalMs);
}

bool appendBodyPiece(std::string& body, const char* data, size_t size, uint64_t limit) {
  if (size > limit - body.size()) return false;
  try {
    body.append(data, size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

InternetRequestRecord lastOpenedRequest() {
  const std::lock_guard lock(settingsLock);
  return lastRequest;
}
