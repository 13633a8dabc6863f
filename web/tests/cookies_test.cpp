#include "web/cookies.h"

#include <gtest/gtest.h>

namespace {

TEST(MergeCookies, Cases) {
  struct Case {
    std::string oldCookies, newCookies, merged, newAfter;
  };
  const Case cases[] = {
      {"a=1; b=2; c=3", "b=5; c=deleted; d=4; ", "b=5; d=4; a=1", "b=5;c=deleted;d=4;"},
      {"", "sid=42; ; ", "sid=42", "sid=42;;"},
      {"x=hello world; x=2", "", "x=helloworld", ""},
      {"", "", "", ""},
      {"", "k=undeleted; j=Deleted; m=x=deleted", "k=undeleted; j=Deleted", "k=undeleted;j=Deleted;m=x=deleted"},
      {"", "a=1; a=1", "a=1", "a=1;a=1"},         // exact repeats appear once
      {"s=\xA1\xA1v", "t=1", "t=1; s=v", "t=1"},  // full-width spaces go too
  };
  for (const Case& c : cases) {
    std::string oldCookies = c.oldCookies;
    std::string newCookies = c.newCookies;
    EXPECT_EQ(mergeCookies(oldCookies, newCookies), c.merged) << c.oldCookies << " + " << c.newCookies;
    EXPECT_EQ(oldCookies, c.merged);
    EXPECT_EQ(newCookies, c.newAfter);
  }
}

TEST(MergeCookies, DeletedNameDropsTheOldItemToo) {
  std::string oldCookies = "sid=1; keep=2";
  std::string newCookies = "sid=deleted";
  EXPECT_EQ(mergeCookies(oldCookies, newCookies), "keep=2");
}

TEST(CookieName, Cases) {
  EXPECT_EQ(cookieName(" sid = 42"), "sid");
  EXPECT_EQ(cookieName("flag"), "flag");
  EXPECT_EQ(cookieName("=v"), "");
  EXPECT_EQ(cookieName("a=b=c"), "a");
}

TEST(CookieLists, NamedContainsAndDedupe) {
  const std::vector<std::string> items = {"a=1", " B=2", ""};
  EXPECT_TRUE(hasCookieNamed(items, "B"));
  EXPECT_FALSE(hasCookieNamed(items, "b"));  // names keep their case
  EXPECT_TRUE(hasCookieNamed(items, ""));
  EXPECT_FALSE(hasCookieNamed({}, ""));
  EXPECT_TRUE(listContains(items, ""));
  EXPECT_FALSE(listContains(items, "a=1 "));
  EXPECT_EQ(dedupeJoin("a; b; a; ; b", "; "), "a; b; ");  // the empty item is kept once
  EXPECT_EQ(dedupeJoin("", "; "), "");
  EXPECT_EQ(dedupeJoin("x|x|y", "|"), "x|y");
}

}  // namespace
