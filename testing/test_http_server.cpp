#include "testing/test_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>

namespace {

constexpr int pollMs = 20;                       // how often waiting threads look at the stop flag
constexpr size_t maxRequestBytes = 64 << 20;     // a runaway client cannot fill the memory

size_t headEnd(const std::string& data) {
  const size_t blank = data.find("\r\n\r\n");
  return blank == std::string::npos ? std::string::npos : blank + 4;
}

size_t contentLength(const std::string& head) {
  std::string lower = head;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return char(std::tolower(c)); });
  const size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return size_t(std::strtoull(head.c_str() + at + 17, nullptr, 10));
}

bool startsLikeRequest(const std::string& data) { return !data.empty() && data[0] >= 'A' && data[0] <= 'Z'; }

void sendAll(int socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += size_t(n);
  }
}

}  // namespace

std::string httpResponse(const std::string& status, const std::string& body, const std::string& headers) {
  return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

std::string requestLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

std::string requestHeaders(const std::string& request) {
  const size_t lineEnd = request.find("\r\n");
  const size_t end = headEnd(request);
  if (lineEnd == std::string::npos || end == std::string::npos) return {};
  return request.substr(lineEnd + 2, end - 2 - (lineEnd + 2));
}

std::string requestBody(const std::string& request) {
  const size_t end = headEnd(request);
  return end == std::string::npos ? std::string() : request.substr(end);
}

TestHttpServer::TestHttpServer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 64) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::abort();  // a test without its server cannot mean anything
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  acceptor_.join();
  // The acceptor has ended, so no connection thread is added any more.
  for (std::thread& connection : connections_) connection.join();
  ::close(listener_);
}

std::string TestHttpServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestHttpServer::reply(const std::string& target, const TestReply& reply) {
  const std::lock_guard lock(mutex_);
  replies_[target] = reply;
}

void TestHttpServer::enqueue(const TestReply& reply) {
  const std::lock_guard lock(mutex_);
  queue_.push_back(reply);
}

std::vector<std::string> TestHttpServer::requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

void TestHttpServer::acceptLoop() {
  for (;;) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, pollMs) <= 0) continue;
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) continue;
    const std::lock_guard lock(mutex_);
    connections_.emplace_back([this, socket] { serve(socket); });
  }
}

bool TestHttpServer::waitUnlessStopping(int milliseconds) {
  std::unique_lock lock(mutex_);
  return !stopped_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_; });
}

TestReply TestHttpServer::answerFor(const std::string& request) {
  const std::lock_guard lock(mutex_);
  requests_.push_back(request);
  if (!queue_.empty()) {
    TestReply next = queue_.front();
    queue_.pop_front();
    return next;
  }
  const std::string line = requestLine(request);
  const size_t from = line.find(' ');
  const size_t to = line.find(' ', from + 1);
  const std::string target = from == std::string::npos ? std::string() : line.substr(from + 1, to - from - 1);
  const auto found = replies_.find(target);
  if (found != replies_.end()) return found->second;
  return {httpResponse("404 Not Found", "")};
}

void TestHttpServer::serve(int socket) {
  std::string data;
  size_t wanted = std::string::npos;  // the whole request's size, once its head is in
  bool peerClosed = false;
  while (data.size() < wanted && data.size() < maxRequestBytes) {
    if (!data.empty() && !startsLikeRequest(data)) break;
    pollfd waiting{socket, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, pollMs);
    if (ready < 0) break;
    if (ready == 0) {
      if (!waitUnlessStopping(0)) break;
      continue;
    }
    char chunk[16384];
    const ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
    if (n <= 0) {
      peerClosed = true;
      break;
    }
    data.append(chunk, size_t(n));
    if (wanted == std::string::npos && headEnd(data) != std::string::npos) {
      wanted = headEnd(data) + contentLength(data.substr(0, headEnd(data)));
    }
  }
  const bool complete = wanted != std::string::npos && data.size() >= wanted;
  if (!complete || peerClosed || !startsLikeRequest(data)) {
    if (!data.empty()) {
      const std::lock_guard lock(mutex_);
      requests_.push_back(data);
    }
    ::close(socket);
    return;
  }
  const TestReply reply = answerFor(data);
  if (reply.neverAnswer) {
    while (waitUnlessStopping(pollMs)) {
    }
  } else if (reply.delayMs <= 0 || waitUnlessStopping(reply.delayMs)) {
    sendAll(socket, reply.raw.substr(0, std::min(reply.closeAfter, reply.raw.size())));
  }
  ::shutdown(socket, SHUT_WR);
  ::close(socket);
}
