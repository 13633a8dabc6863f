#include "web/online_counter.h"

#include "base/form.h"
#include "platform/runtime.h"
#include "web/http_access.h"
#include "web/text.h"
#include "web/update_check.h"

namespace {
bool requestRunning = false;
}

void refreshOnlineCount() {
  if (requestRunning) return;
  requestRunning = true;
  runtime().runInBackground([url = "http://" + updateSiteHost + "/renshutongji.php"] {
                              HttpAccessArgs args;
                              args.bodyLimit = siteBodyLimit;
                              return httpAccess(url, args);
                            },
                            [](const std::string& bytes) {
                              requestRunning = false;
                              const std::string page = bytes.substr(0, bytes.find('\0'));
                              const std::string count = textBetween(page, "(\"", "\");");
                              runtime().setMenuCaption(onlineCountItemName, std::string(onlineCountItemName) + "：" + count);
                            });
}
