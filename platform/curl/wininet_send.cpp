// HttpSendRequestA: one exchange of the WinInet-shaped layer, carried out by libcurl in steps: the
// target and the route there, the header list, the verb and body, and the follow-ups.
#include <algorithm>
#include <vector>

#include "base/ascii.h"
#include "platform/curl/curl_transfer.h"
#include "platform/curl/internet_handle.h"
#include "platform/wininet.h"

namespace {

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

bool isSecure(const InternetHandle& request) { return (request.flags & INTERNET_FLAG_SECURE) != 0; }

// The URL, the version, the route (direct or through the proxy the list names, never one of the
// environment's) and the user agent.
void setTarget(CURL* c, const InternetHandle& r) {
  const std::string scheme = isSecure(r) ? "https" : "http";
  const std::string host = r.host.find(':') != std::string::npos ? "[" + r.host + "]" : r.host;
  const std::string url = scheme + "://" + host + ":" + std::to_string(r.port) + encodeObjectName(r.objectName);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, r.version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  const std::string proxy = r.accessType == INTERNET_OPEN_TYPE_PROXY ? proxyFor(r.proxyList, scheme) : "";
  curl_easy_setopt(c, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(c, CURLOPT_NOPROXY, "");
  if (!r.agent.empty()) curl_easy_setopt(c, CURLOPT_USERAGENT, r.agent.c_str());
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

// The caller's lines, then what stands in for curl's own defaults unless the caller named them: no
// Accept, no form type for a body (only the caller names one), the no-cache pair for a reload, and no
// "Expect: 100-continue". False when memory runs out.
bool addHeaderList(CurlTransfer& transfer, const InternetHandle& r, const std::string& headerText, bool hasBody) {
  const std::vector<std::string> lines = headerLines(headerText);
  std::vector<std::string> list = lines;
  if (!namesHeader(lines, "Accept")) list.push_back("Accept:");
  if ((r.verb == "POST" || hasBody) && !namesHeader(lines, "Content-Type")) list.push_back("Content-Type:");
  if ((r.flags & INTERNET_FLAG_RELOAD) != 0) {
    if (!namesHeader(lines, "Pragma")) list.push_back("Pragma: no-cache");
    if (!namesHeader(lines, "Cache-Control")) list.push_back("Cache-Control: no-cache");
  }
  list.push_back("Expect:");
  return std::all_of(list.begin(), list.end(), [&transfer](const std::string& line) { return transfer.addHeader(line); });
}

// POST, or GET with a body when there is one.
void setVerbAndBody(CURL* c, const InternetHandle& r, const std::string& body, bool hasBody) {
  if (r.verb == "POST") curl_easy_setopt(c, CURLOPT_POST, 1L);
  else if (hasBody) curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "GET");
  if (r.verb == "POST" || hasBody) {
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
  }
}

// Redirects, unless the flags keep them: at most maxRedirects, to https only from a secure request, to
// http (and https with INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS) from another.
void setFollowUps(CURL* c, const InternetHandle& r) {
  const bool follow = (r.flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0;
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, maxRedirects);
  const bool toHttps = isSecure(r) || (r.flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS) != 0;
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, isSecure(r) ? "https" : toHttps ? "http,https" : "http");
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

}  // namespace

bool HttpSendRequestA(HINTERNET request, const char* headers, uint32_t headersLength, const void* optional,
                      uint32_t optionalLength) {
  if (!isKind(request, InternetHandle::Kind::Request)) return false;
  InternetHandle& r = *request;
  r.sent = true;
  r.setsCookies = false;
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

  CurlTransfer transfer;
  if (!transfer || !addHeaderList(transfer, r, headerText, hasBody)) return false;
  CURL* c = transfer.easy();
  setTarget(c, r);
  setVerbAndBody(c, r, body, hasBody);
  setFollowUps(c, r);
  const bool storesCookies = (r.flags & INTERNET_FLAG_NO_COOKIES) == 0 && transfer.shareCookies();
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &r);
  transfer.keepBody(r.body, r.bodyLimit);

  const CURLcode result = transfer.perform();
  if (storesCookies && r.setsCookies) transfer.boundCookies();
  if (transfer.bodyRefused()) {
    r.headersComplete = false;
    r.body.clear();
  }
  if (!r.headersComplete) r.headers.clear();
  return result == CURLE_OK || r.headersComplete;
}
