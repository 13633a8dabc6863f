#include "platform/wininet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/wininet_testing.h"
#include "testing/test_http_server.h"

namespace {

class NetLayer : public ::testing::Test {
 protected:
  void SetUp() override { setInternetTimeouts({2000, 5, 5000}); }

  // Sends one request to the test server; the caller closes the three handles it gets back.
  struct Opened {
    HINTERNET internet, connection, request;
  };
  Opened openAndSend(const std::string& object, uint32_t flags, const std::string& headers = "") {
    Opened o{};
    o.internet = InternetOpenA("Agent/1.0", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    o.connection = InternetConnectA(o.internet, "127.0.0.1", INTERNET_PORT(server.port()), nullptr, nullptr,
                                    INTERNET_SERVICE_HTTP, 0, 0);
    o.request = HttpOpenRequestA(o.connection, "GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0);
    EXPECT_NE(o.request, nullptr);
    HttpSendRequestA(o.request, headers.data(), uint32_t(headers.size()), nullptr, 0);
    return o;
  }

  TestHttpServer server;
};

TEST_F(NetLayer, ReadsInPiecesOfAtMostTheSizeAsked) {
  const std::string body = "0123456789abcdefghijklmnopqrstuvwxyz";
  server.reply("/body", {httpResponse("200 OK", body)});
  const Opened o = openAndSend("/body", INTERNET_FLAG_RELOAD);
  std::string read;
  char buffer[7];
  uint32_t count = 0;
  while (InternetReadFile(o.request, buffer, sizeof buffer, &count) && count > 0) {
    ASSERT_LE(count, sizeof buffer);
    read.append(buffer, count);
  }
  EXPECT_EQ(read, body);
  EXPECT_TRUE(InternetReadFile(o.request, buffer, sizeof buffer, &count));
  EXPECT_EQ(count, 0u);
  // Handles keep copies of what they need, so any closing order is safe.
  EXPECT_TRUE(InternetCloseHandle(o.internet));
  EXPECT_TRUE(InternetCloseHandle(o.request));
  EXPECT_TRUE(InternetCloseHandle(o.connection));
}

TEST_F(NetLayer, BodyOverTheRequestsCapFailsTheSend) {
  const std::string body(100000, 'b');
  server.reply("/capped", {httpResponse("200 OK", body)});
  for (const uint64_t cap : {uint64_t(body.size()), uint64_t(body.size() - 1)}) {
    SCOPED_TRACE(cap);
    const bool within = cap == body.size();
    HINTERNET internet = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(internet, "127.0.0.1", INTERNET_PORT(server.port()), nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/capped", nullptr, nullptr, nullptr, 0, 0);
    EXPECT_TRUE(setResponseBodyLimit(request, cap));
    EXPECT_EQ(HttpSendRequestA(request, nullptr, 0, nullptr, 0), within);
    uint32_t size = 0;
    HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
    EXPECT_EQ(size > 0, within) << "headers kept";
    std::string read(body.size() + 1, '\0');
    uint32_t count = 0;
    EXPECT_TRUE(InternetReadFile(request, read.data(), uint32_t(read.size()), &count));
    EXPECT_EQ(count, within ? body.size() : 0u);
    for (HINTERNET h : {request, connection, internet}) InternetCloseHandle(h);
  }
  EXPECT_FALSE(setResponseBodyLimit(nullptr, 1));
}

TEST_F(NetLayer, HeaderQueryReportsTheSizeNeeded) {
  server.reply("/h", {httpResponse("200 Fine", "x", "X-A: 1\r\n")});
  const Opened o = openAndSend("/h", 0);
  const std::string expected = "HTTP/1.1 200 Fine\r\nX-A: 1\r\nContent-Length: 1\r\nConnection: close\r\n\r\n";
  uint32_t size = 0;
  EXPECT_FALSE(HttpQueryInfoA(o.request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr));
  EXPECT_EQ(size, expected.size() + 1);
  std::string buffer(expected.size(), '#');
  size = uint32_t(buffer.size());
  EXPECT_FALSE(HttpQueryInfoA(o.request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &size, nullptr));
  EXPECT_EQ(size, expected.size() + 1);
  buffer.assign(size, '#');
  EXPECT_TRUE(HttpQueryInfoA(o.request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &size, nullptr));
  EXPECT_EQ(size, expected.size());
  EXPECT_EQ(buffer, expected + '\0');
  for (HINTERNET h : {o.request, o.connection, o.internet}) InternetCloseHandle(h);
}

TEST_F(NetLayer, FailsBeforeASendAndOnBadHandles) {
  HINTERNET internet = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  HINTERNET connection =
      InternetConnectA(internet, "127.0.0.1", INTERNET_PORT(server.port()), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
  char buffer[4];
  uint32_t count = 9;
  EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &count));
  EXPECT_EQ(count, 0u);
  uint32_t size = 0;
  EXPECT_FALSE(HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr));
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(InternetConnectA(internet, "", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0), nullptr);
  EXPECT_EQ(HttpOpenRequestA(internet, "GET", "/", nullptr, nullptr, nullptr, 0, 0), nullptr);
  EXPECT_EQ(InternetOpenA("a", 7, nullptr, nullptr, 0), nullptr);
  // What the layer does not carry out it refuses: a bypass list, credentials, another verb, a referrer
  // and accept types.
  EXPECT_EQ(InternetOpenA("a", INTERNET_OPEN_TYPE_PROXY, "http=h:1", "<local>", 0), nullptr);
  EXPECT_EQ(InternetConnectA(internet, "127.0.0.1", 80, "user", nullptr, INTERNET_SERVICE_HTTP, 0, 0), nullptr);
  EXPECT_EQ(InternetConnectA(internet, "127.0.0.1", 80, nullptr, "secret", INTERNET_SERVICE_HTTP, 0, 0), nullptr);
  const char* const types[] = {"text/html", nullptr};
  EXPECT_EQ(HttpOpenRequestA(connection, "HEAD", "/", nullptr, nullptr, nullptr, 0, 0), nullptr);
  EXPECT_EQ(HttpOpenRequestA(connection, "GET", "/", nullptr, "http://referrer/", nullptr, 0, 0), nullptr);
  EXPECT_EQ(HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, types, 0, 0), nullptr);
  EXPECT_FALSE(InternetCloseHandle(nullptr));
  for (HINTERNET h : {request, connection, internet}) InternetCloseHandle(h);
  EXPECT_TRUE(server.requests().empty());
}

TEST_F(NetLayer, RedirectsToHttpsOnlyWithTheFlag) {
  for (const uint32_t flags : {0u, INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS}) {
    SCOPED_TRACE(flags);
    TestHttpServer local;
    const std::string secure = "https://127.0.0.1:" + std::to_string(local.port()) + "/tls";
    local.reply("/r", {httpResponse("301 Moved Permanently", "", "Location: " + secure + "\r\n")});
    HINTERNET internet = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(internet, "127.0.0.1", INTERNET_PORT(local.port()), nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/r", nullptr, nullptr, nullptr, flags, 0);
    HttpSendRequestA(request, nullptr, 0, nullptr, 0);
    for (HINTERNET h : {request, connection, internet}) InternetCloseHandle(h);
    const std::vector<std::string> seen = local.requests();
    ASSERT_EQ(seen.size(), flags == 0 ? 1u : 2u);
    if (flags != 0) {
      EXPECT_EQ(seen[1][0], '\x16');  // a TLS hello, not an HTTP request
    }
  }
}

TEST_F(NetLayer, SharedCookieStoreAcrossRequests) {
  server.enqueue({httpResponse("200 OK", "", "Set-Cookie: store=1; Path=/store\r\n")});
  for (int i = 0; i < 2; ++i) {
    const Opened o = openAndSend("/store/page", INTERNET_FLAG_RELOAD);
    for (HINTERNET h : {o.request, o.connection, o.internet}) InternetCloseHandle(h);
  }
  const Opened o = openAndSend("/store/page", INTERNET_FLAG_NO_COOKIES);
  for (HINTERNET h : {o.request, o.connection, o.internet}) InternetCloseHandle(h);
  const std::vector<std::string> seen = server.requests();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(requestHeaders(seen[0]).find("Cookie:"), std::string::npos);
  EXPECT_NE(requestHeaders(seen[1]).find("\r\nCookie: store=1\r\n"), std::string::npos);
  EXPECT_EQ(requestHeaders(seen[2]).find("Cookie:"), std::string::npos);
}

TEST_F(NetLayer, CookieStoreKeepsAHostsNewestFifty) {
  // Ten answers set ten new names each, as a counter page might on every tick.
  for (int answer = 0; answer < 10; ++answer) {
    std::string setCookies;
    for (int k = 0; k < 10; ++k) {
      setCookies += "Set-Cookie: c" + std::to_string(answer * 10 + k) + "=v; Path=/bound" +
                    (k % 2 == 0 ? "; HttpOnly" : "") + "\r\n";
    }
    server.enqueue({httpResponse("200 OK", "", setCookies)});
    const Opened o = openAndSend("/bound/page", INTERNET_FLAG_RELOAD);
    for (HINTERNET h : {o.request, o.connection, o.internet}) InternetCloseHandle(h);
  }
  const Opened o = openAndSend("/bound/page", INTERNET_FLAG_RELOAD);
  for (HINTERNET h : {o.request, o.connection, o.internet}) InternetCloseHandle(h);

  const std::string headers = requestHeaders(server.requests().back());
  const size_t at = headers.find("\r\nCookie: ");
  ASSERT_NE(at, std::string::npos) << headers;
  std::string sent = headers.substr(at + 10, headers.find("\r\n", at + 2) - at - 10);
  std::set<std::string> names;
  for (size_t start = 0; start < sent.size();) {
    const size_t end = std::min(sent.find("; ", start), sent.size());
    names.insert(sent.substr(start, sent.find('=', start) - start));
    start = end + 2;
  }
  std::set<std::string> newest;
  for (int i = 50; i < 100; ++i) newest.insert(std::string("c").append(std::to_string(i)));
  EXPECT_EQ(names, newest);
}

}  // namespace
