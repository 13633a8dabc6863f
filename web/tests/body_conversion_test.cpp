// The response body's conversions of the HTTP request routine.
#include <gtest/gtest.h>

#include "web/http_access.h"

namespace {

TEST(ResponseBody, Utf8ToUtf16AndToGbk) {
  EXPECT_EQ(utf8ToUtf16(""), "");
  EXPECT_EQ(utf8ToUtf16("A\xE4\xB8\xAD"), std::string("A\0\x2D\x4E", 4));
  EXPECT_EQ(utf8ToGbk(""), "");
  EXPECT_EQ(utf8ToGbk("\xE4\xB8\xAD\xE6\x96\x87 \xE2\x82\xAC"), "\xD6\xD0\xCE\xC4 \x80");
  EXPECT_EQ(utf8ToGbk(std::string("a\0\xFF", 3)), std::string("a\0?", 3));
}

}  // namespace
