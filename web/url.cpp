#include "web/url.h"

#include "web/text.h"

std::string urlHost(const std::string& url, bool domainOnly, bool keepPort) {
  std::string s = toLowerAscii(url);
  if (textRight(s, 1) != "/") s += "/";
  if (textLeft(s, 8) == "https://") {
    s = textBetween(s, "https://", "/");
  } else {
    if (findText(s, "http://") == -1) s = "http://" + s;
    s = textBetween(s, "http://", "/");
  }
  if (domainOnly) {
    const std::vector<std::string> labels = splitText(s, ".");
    if (labels.size() > 1) s = labels[labels.size() - 2] + "." + labels.back();
  }
  if (keepPort) return s;
  const int colon = findText(s, ":");
  return colon == -1 ? s : textLeft(s, colon - 1);
}

int urlPort(const std::string& url) {
  const std::string host = urlHost(url, false, true);
  const int colon = findTextReverse(host, ":");
  if (colon != -1) return textToInteger(textRight(host, int(host.size()) - colon));
  return toLowerAscii(textLeft(url, 5)) == "https" ? 443 : 80;
}

std::string urlPath(const std::string& url) {
  const int hostAt = findText(url, urlHost(url), 1, true);
  const int slash = findText(url, "/", hostAt, true);
  if (slash == -1) return "/";
  return textRight(url, int(url.size()) - slash + 1);
}
