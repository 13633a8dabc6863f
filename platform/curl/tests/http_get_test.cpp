// The runtime's HTTP GET against a loopback server.
#include "platform/http_get.h"

#include <gtest/gtest.h>

#include "platform/wininet.h"
#include "platform/wininet_testing.h"
#include "testing/test_http_server.h"

namespace {

class HttpGet : public ::testing::Test {
 protected:
  void SetUp() override { setInternetTimeouts({2000, 5, 5000}); }

  TestHttpServer server;
};

TEST_F(HttpGet, BodyOfTheFinalResponseOrNothing) {
  server.reply("/bb.txt", {httpResponse("200 OK", std::string("1.3\0x", 5))});
  server.reply("/moved", {httpResponse("302 Found", "", "Location: /bb.txt\r\n")});
  server.reply("/missing", {httpResponse("404 Not Found", "<html>")});
  server.reply("/cut", {"HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nshort"});
  server.reply("/silent", {"HTTP/1.1 200 OK\r\n", 0, false, 0});

  EXPECT_EQ(httpGet(server.url("/bb.txt")), std::string("1.3\0x", 5));
  const std::string raw = server.requests().at(0);
  EXPECT_EQ(requestLine(raw), "GET /bb.txt HTTP/1.0");
  const std::string headers = requestHeaders(raw);
  EXPECT_NE(headers.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"), std::string::npos);
  EXPECT_NE(headers.find("\r\nPragma: no-cache\r\n"), std::string::npos);
  EXPECT_NE(headers.find("\r\nCache-Control: no-cache\r\n"), std::string::npos);

  EXPECT_EQ(httpGet(server.url("/moved")), std::string("1.3\0x", 5));
  EXPECT_EQ(httpGet(server.url("/missing")), "<html>");  // an error page is a body too
  EXPECT_EQ(httpGet(server.url("/cut")), "");
  EXPECT_EQ(httpGet(server.url("/silent")), "");
  EXPECT_EQ(httpGet("http://127.0.0.1:1/"), "");
}

}  // namespace
