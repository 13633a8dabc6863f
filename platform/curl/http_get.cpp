#include "platform/http_get.h"

#include "platform/curl/curl_transfer.h"
#include "platform/wininet.h"

std::string httpGet(const std::string& url, size_t bodyLimit) {
  CurlTransfer transfer;
  if (!transfer || !transfer.addHeader("Pragma: no-cache") || !transfer.addHeader("Cache-Control: no-cache")) return {};
  CURL* c = transfer.easy();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, maxRedirects);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_easy_setopt(c, CURLOPT_USERAGENT, httpGetAgent);
  curl_easy_setopt(c, CURLOPT_PROXY, "");
  std::string body;
  transfer.keepBody(body, bodyLimit);
  if (transfer.perform() != CURLE_OK) return {};
  return body;
}
