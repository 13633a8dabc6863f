// The update check and the online counter against a loopback update site. Texts here are GBK bytes.
#include <gtest/gtest.h>

#include "base/form.h"
#include "platform/http_get.h"
#include "testing/scripted_runtime.h"
#include "testing/test_http_server.h"
#include "web/http_access.h"
#include "web/online_counter.h"
#include "web/update_check.h"

namespace {

// The update site is the loopback server for each test, and the program's own again after it, however
// the test ends.
class WebTimers : public testing::Test {
 protected:
  void SetUp() override { updateSiteHost = "127.0.0.1:" + std::to_string(server.port()); }
  void TearDown() override { updateSiteHost = programsSite; }

  const std::string programsSite = updateSiteHost;
  TestHttpServer server;
  ScriptedRuntime ui;
};

TEST_F(WebTimers, NewerVersionIsAnnouncedOnceAndItsDownloadOpened) {
  struct Case {
    std::string served;
    bool announced;
  } cases[] = {
      {"1.2", false},     {"1.3", true},        {"2.0", true},   {"1.10", true},  // 10 after 2
      {"1.2\r\n", false}, {" 1.3\n", true},      {"1.2.0", false}, {"1.1.9", false},
      {"<html>", false},  {"", false},           {"1.x", false},   {"01.2", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("served \"" + c.served + "\"");
    ui.shown.clear();
    ui.openedUrls.clear();
    ui.timerPeriods[versionClockName] = 3000;
    server.reply("/bb.txt", {httpResponse("200 OK", c.served)});
    checkForUpdate();
    EXPECT_EQ(ui.timerPeriods[versionClockName], 0) << "the check runs once";
    EXPECT_EQ(currentVersion, programVersion);
    EXPECT_EQ(remoteVersion, c.served);
    if (c.announced) {
      ASSERT_EQ(ui.shown.size(), 1u);
      EXPECT_EQ(ui.shown[0].text, "有新版本请下载更新");
      EXPECT_EQ(ui.shown[0].caption, defaultCaption);
      EXPECT_EQ(ui.openedUrls, std::vector<std::string>{server.url("/zxxz.rar")});
    } else {
      EXPECT_TRUE(ui.shown.empty());
      EXPECT_TRUE(ui.openedUrls.empty());
    }
  }
  for (const std::string& request : server.requests()) EXPECT_EQ(requestLine(request), "GET /bb.txt HTTP/1.0");
}

TEST_F(WebTimers, VersionRule) {
  EXPECT_TRUE(isNewerVersion("1.10", "1.2"));
  EXPECT_TRUE(isNewerVersion("1.2.1", "1.2"));
  EXPECT_TRUE(isNewerVersion("100000000000000000000.0", "99999999999999999999.9"));
  EXPECT_FALSE(isNewerVersion("1..3", "1.2"));
  EXPECT_FALSE(isNewerVersion(".3", "1.2"));
  EXPECT_FALSE(isNewerVersion("3.", "1.2"));
  EXPECT_FALSE(isNewerVersion("-3", "1.2"));
}

TEST_F(WebTimers, OnlineCountIsShownInTheMenuItem) {
  struct Case {
    std::string name;
    std::string response;
    std::string caption;
  } cases[] = {
      {"count between the markers", httpResponse("200 OK", "show(\"37\");"), "在线人数：37"},
      {"no closing semicolon", httpResponse("200 OK", "show(\"37\")"), "在线人数："},
      {"page in UTF-8", httpResponse("200 OK", "show(\"\xE4\xB8\x89\xE5\x8D\x81\");", "Content-Type: text/html; charset=utf-8\r\n"),
       "在线人数：三十"},
      {"error page", httpResponse("404 Not Found", "<html>missing</html>"), "在线人数："},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.reply("/renshutongji.php", {c.response});
    refreshOnlineCount();
    EXPECT_EQ(ui.menuCaptions[onlineCountItemName], c.caption);
  }
  EXPECT_EQ(requestLine(server.requests().at(0)), "GET /renshutongji.php HTTP/1.1");
  EXPECT_TRUE(ui.timerPeriods.empty()) << "the counter never changes its timer";
}

TEST_F(WebTimers, AnswersOverTheSizeLimitCountAsNone) {
  for (const size_t size : {siteBodyLimit, siteBodyLimit + 1}) {
    SCOPED_TRACE(size);
    const bool taken = size == siteBodyLimit;
    const std::string version = "1.3" + std::string(size - 3, '\n');
    const std::string page = "show(\"37\");" + std::string(size - 11, ' ');
    server.reply("/bb.txt", {httpResponse("200 OK", version)});
    server.reply("/renshutongji.php", {httpResponse("200 OK", page)});
    ui.openedUrls.clear();
    checkForUpdate();
    refreshOnlineCount();
    EXPECT_EQ(remoteVersion.size(), taken ? size : 0u);  // sizes: a megabyte does not print well
    EXPECT_EQ(ui.openedUrls.size(), taken ? 1u : 0u);
    EXPECT_EQ(ui.menuCaptions[onlineCountItemName], taken ? "在线人数：37" : "在线人数：");
    // Other callers of the same functions still take a body of any size.
    EXPECT_TRUE(httpGet(server.url("/bb.txt")) == version);
    EXPECT_TRUE(httpAccess(server.url("/renshutongji.php")) == page);
  }
}

TEST_F(WebTimers, NothingShownWhenNoServerAnswers) {
  int port = 0;
  {
    TestHttpServer closed;
    port = closed.port();
  }
  updateSiteHost = "127.0.0.1:" + std::to_string(port);
  checkForUpdate();
  refreshOnlineCount();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(ui.menuCaptions[onlineCountItemName], "在线人数：");
}

}  // namespace
