#include "web/http_access.h"

#include <memory>
#include <vector>

#include "base/utf.h"
#include "platform/codepage.h"
#include "platform/wininet.h"
#include "web/cookies.h"
#include "web/text.h"
#include "web/url.h"

namespace {

// Closes a handle when it goes out of scope.
struct HandleCloser {
  void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using Handle = std::unique_ptr<InternetHandle, HandleCloser>;

std::string userAgent(const std::string& extraHeaders) {
  if (findText(extraHeaders, "User-Agent:", 0, true) == -1) return defaultUserAgent;
  const std::string agent = trimSpaces(textBetween(extraHeaders, "User-Agent:", "\r\n"));
  return agent.empty() ? headerValue(extraHeaders) : agent;
}

void addDefaultHeaders(const std::string& url, HttpAccessArgs& args) {
  std::string& headers = args.extraHeaders;
  if (findText(headers, "Referer:") == -1) headers += (headers.empty() ? "Referer: " : "\r\nReferer: ") + url;
  if (findText(headers, "Accept:") == -1) headers += "\r\nAccept: */*";
  if (findText(headers, "Accept-Language:") == -1) headers += "\r\nAccept-Language: zh-cn";
  if (findText(headers, "Content-Type:") == -1) headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (args.cookies && !args.cookies->empty()) headers += "\r\nCookie: " + *args.cookies;
}

// The whole raw header block, however long; empty when the layer has none.
std::string rawHeadersOf(HINTERNET request) {
  uint32_t size = 0;
  HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
  if (size == 0) return {};
  std::string buffer(size, '\0');
  if (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &size, nullptr)) return {};
  buffer.resize(size);
  return buffer;
}

std::string access(const std::string& url, HttpAccessArgs& args, int followUps) {
  const std::string verb = args.method == 1 ? "POST" : "GET";
  const std::string agent = userAgent(args.extraHeaders);

  Handle internet(args.proxy ? InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, ("http=" + *args.proxy).c_str(),
                                             "", 0)
                             : InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!internet) return {};
  const std::string host = urlHost(url);
  Handle connection(InternetConnectA(internet.get(), host.c_str(), INTERNET_PORT(urlPort(url)), nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};

  uint32_t flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
  if (args.cookies) flags |= INTERNET_FLAG_NO_COOKIES;
  if (args.noRedirect != 0) flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
  flags |= toLowerAscii(textLeft(url, 5)) == "https" ? INTERNET_FLAG_SECURE : INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  const std::string path = urlPath(url);
  Handle request(
      HttpOpenRequestA(connection.get(), verb.c_str(), path.c_str(), "HTTP/1.1", nullptr, nullptr, flags, 0));
  if (!request) return {};
  setResponseBodyLimit(request.get(), args.bodyLimit);

  addDefaultHeaders(url, args);
  const std::string& headers = args.extraHeaders;
  if (args.method == 0) {
    HttpSendRequestA(request.get(), headers.data(), uint32_t(headers.size()), nullptr, 0);
  } else {
    if (args.postBytes.empty()) args.postBytes = args.postText;
    HttpSendRequestA(request.get(), headers.data(), uint32_t(headers.size()), args.postBytes.data(),
                     uint32_t(args.postBytes.size()));
  }

  std::string body;
  std::vector<char> buffer(1024);
  for (;;) {
    uint32_t count = 0;
    InternetReadFile(request.get(), buffer.data(), uint32_t(buffer.size()), &count);
    if (count == 0) break;
    body.append(buffer.data(), count);
  }
  args.rawHeaders = rawHeadersOf(request.get());
  request.reset();
  connection.reset();
  internet.reset();

  args.returnedCookies.clear();
  for (const std::string& line : splitText(args.rawHeaders, "\r\n")) {
    if (findText(line, "Location:") != -1) args.location = headerValue(line);
    if (findText(line, "Set-Cookie") != -1) {
      args.returnedCookies += trimSpaces(textBetween(line, "Set-Cookie:", ";")) + "; ";
    }
  }
  if (args.cookies) mergeCookies(*args.cookies, args.returnedCookies);
  if (args.location.empty()) args.location = args.rawHeaders;

  if (textBetween(args.rawHeaders, "HTTP/1.1 ", " Moved") == "301") {
    if (followUps == maxFollowUps) return {};
    const std::string next = args.location + urlPath(url);
    args.location.clear();
    return access(next, args, followUps + 1);
  }

  const int marker = findBytes(body, "charset=utf-8");
  if ((marker != -1 && marker < 500) || findText(args.rawHeaders, "charset=utf-8") != -1) body = utf8ToGbk(body);
  return body;
}

}  // namespace

std::string httpAccess(const std::string& url, HttpAccessArgs& args) { return access(url, args, 0); }

std::string httpAccess(const std::string& url) {
  HttpAccessArgs args;
  return httpAccess(url, args);
}

std::string utf8ToUtf16(const std::string& bytes) { return utf16LeBytes(codePageToWide(CP_UTF8, bytes)); }

std::string utf8ToGbk(const std::string& bytes) { return wideToCodePage(CP_GBK, codePageToWide(CP_UTF8, bytes)); }
