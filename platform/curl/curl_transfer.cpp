#include "platform/curl/curl_transfer.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/wininet.h"
#include "platform/wininet_testing.h"

namespace {

std::mutex timeoutsLock;
InternetTimeouts timeouts;

// An easy handle, after libcurl's set-up for the process, which runs once.
CURL* newEasyHandle() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  return curl_easy_init();
}

// The process's cookie store. Transfers on several threads use it, so curl locks it through these.
std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks;

void lockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { shareLocks[data].lock(); }
void unlockShare(CURL*, curl_lock_data data, void*) { shareLocks[data].unlock(); }

CURLSH* cookieStore() {
  static CURLSH* const store = [] {
    CURLSH* share = curl_share_init();
    if (share == nullptr) return share;
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, lockShare);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, unlockShare);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    return share;
  }();
  return store;
}

// Bounds of the cookie store, at the floors RFC 6265 sets for what a client keeps: without them a site
// that sets new names on every request makes the store, and every request's Cookie line, grow for ever.
constexpr size_t cookiesPerDomain = 50;
constexpr size_t cookiesInAll = 3000;

// A cookie as curl lists it: domain, tail match, path, secure, expiry, name and value, joined by tabs;
// "#HttpOnly_" before the domain marks an HttpOnly one.
std::string cookieDomain(const std::string& line) {
  std::string domain = line.substr(0, line.find('\t'));
  if (domain.rfind("#HttpOnly_", 0) == 0) domain.erase(0, 10);
  if (!domain.empty() && domain[0] == '.') domain.erase(0, 1);
  return domain;
}

// The same cookie with an expiry in the past; empty for a line without the fields.
std::string expiredCookie(const std::string& line) {
  size_t expiry = 0;
  for (int tabs = 0; tabs < 4; ++tabs) {
    expiry = line.find('\t', expiry);
    if (expiry == std::string::npos) return {};
    ++expiry;
  }
  const size_t end = line.find('\t', expiry);
  if (end == std::string::npos) return {};
  return line.substr(0, expiry) + "1" + line.substr(end);
}

}  // namespace

void setInternetTimeouts(const InternetTimeouts& limits) {
  const std::lock_guard lock(timeoutsLock);
  timeouts = limits;
}

InternetTimeouts internetTimeouts() {
  const std::lock_guard lock(timeoutsLock);
  return timeouts;
}

CurlTransfer::CurlTransfer() : easy_(newEasyHandle()) {
  if (easy_ == nullptr) return;
  const InternetTimeouts limits = internetTimeouts();
  curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs);
  curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
  curl_easy_setopt(easy_, CURLOPT_TIMEOUT_MS, limits.totalMs);
}

CurlTransfer::~CurlTransfer() {
  if (easy_ != nullptr) curl_easy_cleanup(easy_);
  curl_slist_free_all(headers_);
}

bool CurlTransfer::addHeader(const std::string& line) {
  curl_slist* longer = curl_slist_append(headers_, line.c_str());
  if (longer == nullptr) return false;
  headers_ = longer;
  return true;
}

size_t CurlTransfer::onBody(char* data, size_t size, size_t count, void* user) {
  Body& body = *static_cast<Body*>(user);
  const size_t total = size * count;
  if (total > body.limit - body.bytes->size()) {
    body.refused = true;
    return 0;
  }
  try {
    body.bytes->append(data, total);
  } catch (const std::bad_alloc&) {
    body.refused = true;
    return 0;
  }
  return total;
}

void CurlTransfer::keepBody(std::string& body, uint64_t limit) {
  body_ = {&body, limit, false};
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &body_);
}

bool CurlTransfer::shareCookies() {
  if (cookieStore() == nullptr) return false;
  curl_easy_setopt(easy_, CURLOPT_SHARE, cookieStore());
  curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
  return true;
}

// A domain's oldest cookies go first (curl lists each domain's cookies in the order they were first
// set), and while the store as a whole is too full, the oldest of the domain that holds the most. A
// cookie goes by expiring it.
void CurlTransfer::boundCookies() {
  curl_slist* listed = nullptr;
  if (curl_easy_getinfo(easy_, CURLINFO_COOKIELIST, &listed) != CURLE_OK) return;
  const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> cookies(listed, curl_slist_free_all);
  std::map<std::string, std::deque<std::string>> byDomain;
  size_t total = 0;
  for (const curl_slist* item = cookies.get(); item != nullptr; item = item->next, ++total) {
    byDomain[cookieDomain(item->data)].push_back(item->data);
  }
  std::vector<std::string> evicted;
  for (auto& [domain, lines] : byDomain) {
    for (; lines.size() > cookiesPerDomain; --total) {
      evicted.push_back(lines.front());
      lines.pop_front();
    }
  }
  for (; total > cookiesInAll; --total) {
    auto& lines = std::max_element(byDomain.begin(), byDomain.end(), [](const auto& a, const auto& b) {
                    return a.second.size() < b.second.size();
                  })->second;
    evicted.push_back(lines.front());
    lines.pop_front();
  }
  for (const std::string& line : evicted) {
    const std::string expired = expiredCookie(line);
    if (!expired.empty()) curl_easy_setopt(easy_, CURLOPT_COOKIELIST, expired.c_str());
  }
}

CURLcode CurlTransfer::perform() {
  curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
  return curl_easy_perform(easy_);
}
