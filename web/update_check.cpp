#include "web/update_check.h"

#include <algorithm>
#include <vector>

#include "base/ascii.h"
#include "base/form.h"
#include "platform/http_get.h"
#include "platform/runtime.h"

std::string currentVersion;
std::string remoteVersion;
std::string updateSiteHost = "www.quorlin.com";

namespace {

// The numbers of a version text, as digit strings without leading zeros; empty when text is no version.
std::vector<std::string> versionNumbers(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const std::string version = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
  std::vector<std::string> numbers(1);
  for (const char c : version) {
    if (c == '.') numbers.emplace_back();
    else if (isDigit(c)) numbers.back() += c;
    else return {};
  }
  for (std::string& number : numbers) {
    if (number.empty()) return {};                   // "1..2", ".5", "3."
    number.erase(0, number.find_first_not_of('0'));  // a part of zeros is the number 0, ""
  }
  return numbers;
}

// -1, 0 or 1 as digit string a orders before, with or after b as numbers.
int compareNumbers(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
}

}  // namespace

bool isNewerVersion(const std::string& remote, const std::string& current) {
  const std::vector<std::string> a = versionNumbers(remote);
  const std::vector<std::string> b = versionNumbers(current);
  if (a.empty() || b.empty()) return false;
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const int order = compareNumbers(i < a.size() ? a[i] : std::string(), i < b.size() ? b[i] : std::string());
    if (order != 0) return order > 0;
  }
  return false;
}

void checkForUpdate() {
  runtime().setTimerPeriod(versionClockName, 0);
  currentVersion = programVersion;
  const std::string site = "http://" + updateSiteHost;
  runtime().runInBackground([url = site + "/bb.txt"] { return httpGet(url, siteBodyLimit); },
                            [download = site + "/zxxz.rar"](const std::string& bytes) {
                              remoteVersion = bytes.substr(0, bytes.find('\0'));
                              if (!isNewerVersion(remoteVersion, currentVersion)) return;
                              runtime().messageBox("有新版本请下载更新", MB_OK, {});
                              runtime().openUrl(download);
                            });
}
