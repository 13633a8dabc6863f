#include "web/http_access.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/wininet.h"
#include "platform/wininet_testing.h"
#include "testing/test_http_server.h"

namespace {

const std::string formType = "Content-Type: application/x-www-form-urlencoded";

class HttpAccess : public ::testing::Test {
 protected:
  void SetUp() override { setInternetTimeouts({2000, 5, 5000}); }

  std::string host() const { return "127.0.0.1:" + std::to_string(server.port()); }

  TestHttpServer server;
};

TEST_F(HttpAccess, PlainGetSendsTheDefaultHeaders) {
  server.reply("/page?q=1", {httpResponse("200 OK", "hello")});
  const std::string url = server.url("/page?q=1");
  HttpAccessArgs args;
  EXPECT_EQ(httpAccess(url, args), "hello");

  const std::string headers =
      "Referer: " + url + "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n" + formType;
  EXPECT_EQ(args.extraHeaders, headers);
  const std::vector<std::string> seen = server.requests();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "GET /page?q=1 HTTP/1.1\r\nHost: " + host() + "\r\nUser-Agent: " + defaultUserAgent + "\r\n" +
                         headers + "\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n\r\n");

  const InternetRequestRecord last = lastOpenedRequest();
  EXPECT_EQ(last.accessType, INTERNET_OPEN_TYPE_DIRECT);
  EXPECT_EQ(last.flags, 0x80004010u);
  EXPECT_EQ(last.verb, "GET");
  EXPECT_EQ(last.version, "HTTP/1.1");
  EXPECT_EQ(last.objectName, "/page?q=1");
  EXPECT_EQ(last.port, server.port());

  EXPECT_EQ(args.rawHeaders, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(args.location, args.rawHeaders);  // no Location line
  EXPECT_EQ(args.returnedCookies, "");
  EXPECT_EQ(args.postBytes, "");

  EXPECT_EQ(httpAccess(url), "hello");
}

TEST_F(HttpAccess, HttpsFlagsAndPort) {
  setInternetTimeouts({1000, 1, 2000});
  const std::string withPort = "https://" + host() + "/x";
  EXPECT_EQ(httpAccess(withPort), "");
  EXPECT_EQ(lastOpenedRequest().flags, 0x80800010u);
  EXPECT_EQ(lastOpenedRequest().port, server.port());
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0][0], '\x16');  // the TLS hello

  EXPECT_EQ(httpAccess("HTTPS://127.0.0.1/x"), "");
  EXPECT_EQ(lastOpenedRequest().flags, 0x80800010u);
  EXPECT_EQ(lastOpenedRequest().port, 443);
}

TEST_F(HttpAccess, UserAgentFromExtraHeaders) {
  struct Case {
    std::string extraHeaders, headersAfter;
  };
  const std::string url = server.url("/ua");
  const Case cases[] = {
      {"User-Agent: Agent/1.0\r\nAccept: text/html",
       "User-Agent: Agent/1.0\r\nAccept: text/html\r\nReferer: " + url + "\r\nAccept-Language: zh-cn\r\n" + formType},
      {"User-Agent: Agent/1.0",
       "User-Agent: Agent/1.0\r\nReferer: " + url + "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n" + formType},
  };
  for (const Case& c : cases) {
    HttpAccessArgs args;
    args.extraHeaders = c.extraHeaders;
    httpAccess(url, args);
    EXPECT_EQ(lastOpenedRequest().agent, "Agent/1.0");
    EXPECT_EQ(args.extraHeaders, c.headersAfter);
    const std::string sent = requestHeaders(server.requests().back());
    EXPECT_NE(sent.find("\r\n" + c.headersAfter + "\r\n"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("User-Agent:"), sent.rfind("User-Agent:"));  // one agent line
  }
}

TEST_F(HttpAccess, MethodsAndBodies) {
  struct Case {
    int method;
    std::string postText, postBytes;
    std::string verb, body;
  };
  const Case cases[] = {
      {1, "a=1", "", "POST", "a=1"},
      {1, "ignored", std::string("x\0y", 3), "POST", std::string("x\0y", 3)},
      {2, "q=2", "", "GET", "q=2"},
      {1, "", "", "POST", ""},
      {0, "unsent", "", "GET", ""},
  };
  for (const Case& c : cases) {
    HttpAccessArgs args;
    args.method = c.method;
    args.postText = c.postText;
    args.postBytes = c.postBytes;
    httpAccess(server.url("/form"), args);
    const std::string raw = server.requests().back();
    EXPECT_EQ(requestLine(raw), c.verb + " /form HTTP/1.1");
    EXPECT_EQ(requestBody(raw), c.body);
    if (c.method != 0) {
      EXPECT_NE(raw.find("\r\nContent-Length: " + std::to_string(c.body.size()) + "\r\n"), std::string::npos) << raw;
      EXPECT_EQ(args.postBytes, c.body);
    }
    EXPECT_EQ(raw.find(formType), raw.rfind(formType));  // only the routine's own Content-Type
  }
}

TEST_F(HttpAccess, CollectsSetCookieItems) {
  // The path keeps these cookies of the process's store away from other requests.
  server.reply("/collect/page",
               {httpResponse("200 OK", "", "Set-Cookie: sid=42; path=/collect\r\nSet-Cookie: lang=en\r\n")});
  HttpAccessArgs args;
  httpAccess(server.url("/collect/page"), args);
  EXPECT_EQ(args.returnedCookies, "sid=42; ; ");
  EXPECT_FALSE(args.cookies.has_value());
  EXPECT_EQ(lastOpenedRequest().flags & INTERNET_FLAG_NO_COOKIES, 0u);
}

TEST_F(HttpAccess, CookieModeMergesIntoTheSuppliedText) {
  server.reply("/jar", {httpResponse("200 OK", "", "Set-Cookie: sid=42; path=/\r\nSet-Cookie: c=deleted; path=/\r\n")});
  HttpAccessArgs args;
  args.cookies = "a=1; sid=1; c=3";
  httpAccess(server.url("/jar"), args);
  EXPECT_NE(server.requests().back().find("\r\nCookie: a=1; sid=1; c=3\r\n"), std::string::npos);
  EXPECT_EQ(lastOpenedRequest().flags & INTERNET_FLAG_NO_COOKIES, INTERNET_FLAG_NO_COOKIES);
  EXPECT_EQ(args.cookies, "sid=42; a=1");
  EXPECT_EQ(args.returnedCookies, "sid=42;c=deleted;");

  // A supplied empty text is still cookie mode, and nothing was stored by the request above.
  HttpAccessArgs empty;
  empty.cookies = "";
  httpAccess(server.url("/jar"), empty);
  EXPECT_EQ(server.requests().back().find("Cookie:"), std::string::npos);
  EXPECT_EQ(empty.cookies, "sid=42");
  httpAccess(server.url("/jar"));
  EXPECT_EQ(server.requests().back().find("Cookie:"), std::string::npos);
}

TEST_F(HttpAccess, FollowsA301WithTheLocationPlusThePath) {
  struct Case {
    std::string locationPath, followUpTarget;
  };
  const Case cases[] = {
      {"", "/a/b.php?x=1"},
      {"/", "//a/b.php?x=1"},
  };
  for (const Case& c : cases) {
    server.enqueue({httpResponse("301 Moved Permanently", "", "Location: " + server.url(c.locationPath) + "\r\n")});
    server.enqueue({httpResponse("200 OK", "done")});
    HttpAccessArgs args;
    args.noRedirect = 1;
    EXPECT_EQ(httpAccess(server.url("/a/b.php?x=1"), args), "done");
    const std::vector<std::string> seen = server.requests();
    ASSERT_EQ(seen.size() % 2, 0u);
    const std::string& first = seen[seen.size() - 2];
    const std::string& followUp = seen.back();
    EXPECT_EQ(requestLine(first), "GET /a/b.php?x=1 HTTP/1.1");
    EXPECT_EQ(requestLine(followUp), "GET " + c.followUpTarget + " HTTP/1.1");
    // The follow-up keeps the first call's headers, its Referer included.
    EXPECT_NE(followUp.find("\r\nReferer: " + server.url("/a/b.php?x=1") + "\r\n"), std::string::npos);
    EXPECT_EQ(args.location, args.rawHeaders);
    EXPECT_EQ(args.rawHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  }
}

TEST_F(HttpAccess, EndlessMovesStopAfterTheBound) {
  server.reply("/loop", {httpResponse("301 Moved Permanently", "moved", "Location: " + server.url("") + "\r\n")});
  HttpAccessArgs args;
  args.noRedirect = 1;
  EXPECT_EQ(httpAccess(server.url("/loop"), args), "");
  EXPECT_EQ(server.requests().size(), size_t(1 + maxFollowUps));
}

TEST_F(HttpAccess, RelativeLocationLeadsNowhere) {
  server.reply("/old", {httpResponse("301 Moved Permanently", "", "Location: /new\r\n")});
  HttpAccessArgs args;
  args.noRedirect = 1;
  EXPECT_EQ(httpAccess(server.url("/old"), args), "");
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpAccess, RedirectsByTheLayerAndByTheRoutine) {
  struct Case {
    std::string status;
    int noRedirect;
    size_t requests;
    std::string body;
  };
  const Case cases[] = {
      {"302 Found", 0, 2, "final"},                  // the layer follows
      {"301 Moved Permanently", 0, 2, "final"},      // the layer follows; the routine sees the 200
      {"302 Found", 1, 1, "first"},                  // not a 301: the routine does not follow
      {"301 Moved Permanently", 1, 2, "final"},      // the routine's own follow-up
  };
  for (const Case& c : cases) {
    TestHttpServer local;
    // The routine's follow-up asks for Location + path: "/final" + "/start".
    local.reply("/start", {httpResponse(c.status, "first", "Location: " + local.url("/final") + "\r\n")});
    local.reply("/final", {httpResponse("200 OK", "final")});
    local.reply("/final/start", {httpResponse("200 OK", "final")});
    HttpAccessArgs args;
    args.noRedirect = c.noRedirect;
    EXPECT_EQ(httpAccess(local.url("/start"), args), c.body) << c.status << " " << c.noRedirect;
    EXPECT_EQ(local.requests().size(), c.requests) << c.status << " " << c.noRedirect;
  }
}

TEST_F(HttpAccess, StatusMarkerDecidesTheFollowUp) {
  const std::pair<std::string, bool> cases[] = {
      {"HTTP/1.1 301 Moved Permanently", true},
      {"HTTP/1.1 301 moved permanently", true},  // the markers are compared without case
      {"HTTP/1.0 301 Moved Permanently", false},
      {"HTTP/1.1 302 Moved Temporarily", false},
  };
  server.reply("/next/s", {httpResponse("200 OK", "followed")});
  for (const auto& [statusLine, followed] : cases) {
    server.reply("/s", {statusLine + "\r\nLocation: " + server.url("/next") + "\r\nContent-Length: 1\r\n\r\nm"});
    HttpAccessArgs args;
    args.noRedirect = 1;
    EXPECT_EQ(httpAccess(server.url("/s"), args), followed ? "followed" : "m") << statusLine;
  }
}

TEST_F(HttpAccess, CharsetMarkerInTheFirst499BytesOrTheHeaders) {
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
  const std::string gbk = "\xD6\xD0\xCE\xC4";
  struct Case {
    int markerAt;
    std::string headers;
    bool converted;
  };
  const Case cases[] = {
      {499, "", true},
      {500, "", false},
      {500, "Content-Type: text/html; charset=utf-8\r\n", true},
      {500, "Content-Type: text/html; charset=UTF-8\r\n", false},
  };
  for (const Case& c : cases) {
    const std::string rest = std::string(size_t(c.markerAt - 1) - utf8.size(), 'x') + "charset=utf-8";
    server.reply("/cs", {httpResponse("200 OK", utf8 + rest, c.headers)});
    EXPECT_EQ(httpAccess(server.url("/cs")), (c.converted ? gbk : utf8) + rest) << c.markerAt << " " << c.headers;
  }
}

TEST_F(HttpAccess, ThroughAProxy) {
  // The server stands in for the proxy; the target itself is never contacted.
  const std::string url = "http://127.0.0.1:1/p?q=1";
  server.reply(url, {httpResponse("200 OK", "via proxy")});
  HttpAccessArgs args;
  args.proxy = host();
  EXPECT_EQ(httpAccess(url, args), "via proxy");
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(requestLine(server.requests()[0]), "GET " + url + " HTTP/1.1");
  EXPECT_EQ(lastOpenedRequest().accessType, INTERNET_OPEN_TYPE_PROXY);
  EXPECT_EQ(lastOpenedRequest().proxy, "http=" + host());

  // A supplied empty proxy names no address: the request goes direct.
  server.reply("/direct", {httpResponse("200 OK", "direct")});
  HttpAccessArgs empty;
  empty.proxy = "";
  EXPECT_EQ(httpAccess(server.url("/direct"), empty), "direct");
  EXPECT_EQ(lastOpenedRequest().proxy, "http=");
}

TEST_F(HttpAccess, ServerClosingEarly) {
  server.reply("/cut", {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"});
  server.reply("/nothing", {"HTTP/1.1 200 OK\r\n", 0, false, 0});
  server.reply("/halfhead", {"HTTP/1.1 200 OK\r\nContent-Le"});

  HttpAccessArgs cut;
  EXPECT_EQ(httpAccess(server.url("/cut"), cut), "short");
  EXPECT_EQ(cut.rawHeaders, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
  for (const std::string path : {"/nothing", "/halfhead"}) {
    HttpAccessArgs args;
    EXPECT_EQ(httpAccess(server.url(path), args), "") << path;
    EXPECT_EQ(args.rawHeaders, "") << path;
    EXPECT_EQ(args.location, "") << path;
  }
}

TEST_F(HttpAccess, ServerThatNeverAnswersIsBoundedByTheLayer) {
  setInternetTimeouts({1000, 30, 500});
  server.reply("/silent", {"", 0, true});
  const auto start = std::chrono::steady_clock::now();
  HttpAccessArgs args;
  EXPECT_EQ(httpAccess(server.url("/silent"), args), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(args.rawHeaders, "");
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpAccess, LargeBodyAndLongHeaders) {
  std::string body(3 << 20, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = char(i * 131 % 251);
  const std::string longLine = "X-Long: " + std::string(6000, 'a');
  server.reply("/big", {httpResponse("200 OK", body, longLine + "\r\nLocation: http://elsewhere.invalid/x\r\n")});
  HttpAccessArgs args;
  EXPECT_EQ(httpAccess(server.url("/big"), args), body);
  EXPECT_NE(args.rawHeaders.find("\r\n" + longLine + "\r\n"), std::string::npos);
  EXPECT_EQ(args.rawHeaders.substr(args.rawHeaders.size() - 4), "\r\n\r\n");
  EXPECT_EQ(args.location, "http://elsewhere.invalid/x");
}

TEST_F(HttpAccess, RunsOnWorkerThreads) {
  server.reply("/t", {httpResponse("200 OK", "ok", "Set-Cookie: t=1; Path=/t\r\n")});
  std::vector<std::string> results(4);
  std::vector<std::thread> workers;
  for (std::string& result : results) {
    workers.emplace_back([&] {
      for (int i = 0; i < 5; ++i) result += httpAccess(server.url("/t"));
    });
  }
  for (std::thread& worker : workers) worker.join();
  for (const std::string& result : results) EXPECT_EQ(result, "okokokokok");
  EXPECT_EQ(server.requests().size(), 20u);
}

}  // namespace
