#include "platform/http_get.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/wininet.h"

namespace {

struct CurlEasyFree {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct Body {
  std::string bytes;
  size_t limit;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto& body = *static_cast<Body*>(user);
  return appendBodyPiece(body.bytes, data, size * count, body.limit) ? size * count : 0;
}

}  // namespace

std::string httpGet(const std::string& url, size_t bodyLimit) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  std::unique_ptr<CURL, CurlEasyFree> easy(curl_easy_init());
  if (!easy) return {};
  std::unique_ptr<curl_slist, CurlListFree> headers(curl_slist_append(nullptr, "Pragma: no-cache"));
  if (!headers) return {};
  curl_slist* longer = curl_slist_append(headers.get(), "Cache-Control: no-cache");
  if (longer == nullptr) return {};
  (void)headers.release();
  headers.reset(longer);

  CURL* c = easy.get();
  Body body{{}, bodyLimit};
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, maxRedirects);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_easy_setopt(c, CURLOPT_USERAGENT, httpGetAgent);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_PROXY, "");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  applyInternetTimeouts(c);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
  if (curl_easy_perform(c) != CURLE_OK) return {};
  return std::move(body.bytes);
}
