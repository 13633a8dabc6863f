#pragma once
// One libcurl transfer as this backend's two HTTP layers (wininet.h, http_get.h) make it: the easy
// handle and its header list, freed together. The process's libcurl set-up, the time limits of
// internetTimeouts() and the shared cookie store are kept here, in one place for both.
#include <curl/curl.h>

#include <cstdint>
#include <string>

class CurlTransfer {
 public:
  // An easy handle for http and https only, without signals and under the current time limits;
  // libcurl is set up for the process first, once.
  CurlTransfer();
  ~CurlTransfer();
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  // False when libcurl could not make the handle; nothing else may then be called.
  explicit operator bool() const { return easy_ != nullptr; }
  CURL* easy() const { return easy_; }

  // Adds a line to the request's headers; false when memory runs out.
  bool addHeader(const std::string& line);

  // Keeps the response body in body. A body that would grow past limit bytes, or for which memory runs
  // out, ends the transfer as failed; bodyRefused() then tells so.
  void keepBody(std::string& body, uint64_t limit);
  bool bodyRefused() const { return body_.refused; }

  // Sends and stores cookies in the process's one store, shared by transfers on every thread; false
  // when there is none. After a transfer whose responses set cookies, boundCookies() brings the store
  // back within its bounds: at most 50 cookies a domain and 3000 in all, the longest held going first.
  bool shareCookies();
  void boundCookies();

  // Runs the transfer with the headers added so far.
  CURLcode perform();

 private:
  struct Body {
    std::string* bytes = nullptr;
    uint64_t limit = UINT64_MAX;
    bool refused = false;
  };
  static size_t onBody(char* data, size_t size, size_t count, void* user);

  CURL* easy_;
  curl_slist* headers_ = nullptr;
  Body body_;
};
