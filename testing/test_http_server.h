#pragma once
// A loopback HTTP server for tests of code that makes requests.
//
// It listens on 127.0.0.1 at a port the system picks, from construction until destruction. Each request
// (its head up to the blank line and a Content-Length body) is recorded raw, then answered from the
// script: the queued replies first, in order; then the reply set for the request's target (the second
// word of the request line: "/a?x=1", or "http://host/a" when the server is used as a proxy); then a 404.
// Every connection is closed after its reply. Input that does not start like a request (a TLS hello) is
// recorded and the connection closed at once.
//
//   TestHttpServer server;
//   server.reply("/bb.txt", {httpResponse("200 OK", "1.3")});
//   ... request server.url("/bb.txt") ...
//   EXPECT_EQ(requestLine(server.requests().at(0)), "GET /bb.txt HTTP/1.0");
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TestReply {
  std::string raw;                  // the bytes written, as they are
  int delayMs = 0;                  // wait this long before writing
  bool neverAnswer = false;         // hold the connection silently until the server stops
  size_t closeAfter = SIZE_MAX;     // write only this many bytes of raw, then close
};

// "HTTP/1.1 " + status, the header lines (each ending in "\r\n"), Content-Length, "Connection: close",
// a blank line and the body.
std::string httpResponse(const std::string& status, const std::string& body, const std::string& headers = "");
// The first line of a raw request, without its line break.
std::string requestLine(const std::string& request);
// The raw request's head, from after the request line to its blank line (each line with its "\r\n").
std::string requestHeaders(const std::string& request);
// What follows the raw request's blank line.
std::string requestBody(const std::string& request);

class TestHttpServer {
 public:
  TestHttpServer();
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path.
  std::string url(const std::string& path = "/") const;

  // The answer to every request for target, until replaced.
  void reply(const std::string& target, const TestReply& reply);
  // The answer to the next request that no earlier queued reply answers.
  void enqueue(const TestReply& reply);
  // Every request received so far, raw, in order of arrival.
  std::vector<std::string> requests() const;

 private:
  void acceptLoop();
  void serve(int socket);
  TestReply answerFor(const std::string& request);
  bool waitUnlessStopping(int milliseconds);

  int listener_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::deque<TestReply> queue_;
  std::map<std::string, TestReply> replies_;
  std::vector<std::string> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};
