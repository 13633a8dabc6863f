#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/disk.h"
#include "skin/skin_data.h"
#include "skin/skin_format.h"

namespace {

// The sizes the program's data fixes for skins 1 to 33.
constexpr std::array<size_t, 33> skinSizes = {
    15574, 9533,  19786, 19497, 17699, 41098, 12564, 18930, 13192, 24409, 30738, 8321,  26370, 15733, 12105, 23603, 20863,
    16746, 11676, 17997, 12882, 37461, 30958, 25715, 34523, 28961, 29447, 15562, 20738, 18765, 31134, 44110, 20275};

const unsigned char* bytesOf(std::string_view skin) { return reinterpret_cast<const unsigned char*>(skin.data()); }

TEST(BuiltinSkins, HaveTheFixedSizesAndAreSkins) {
  size_t total = 0;
  for (int number = 1; number <= BUILTIN_SKIN_COUNT; ++number) {
    SCOPED_TRACE(number);
    const std::string_view skin = builtinSkin(number);
    EXPECT_EQ(skin.size(), skinSizes[size_t(number - 1)]);
    EXPECT_EQ(skin.substr(0, 4), ".SHE");
    EXPECT_TRUE(isSkin(bytesOf(skin), skin.size()));
    total += skin.size();
  }
  EXPECT_EQ(total, 726965u);
  for (const int outside : {0, 34, -1, -20})
    EXPECT_TRUE(builtinSkin(outside).empty()) << outside;
}

TEST(BuiltinSkins, DifferInHueFromEachOther) {
  for (int a = 1; a <= BUILTIN_SKIN_COUNT; ++a)
    for (int b = a + 1; b <= BUILTIN_SKIN_COUNT; ++b)
      for (const SkinColour colour : {SKIN_WINDOW, SKIN_HIGHLIGHT, SKIN_MENU_BAR})
        EXPECT_NE(skinColour(bytesOf(builtinSkin(a)), colour), skinColour(bytesOf(builtinSkin(b)), colour))
            << "skins " << a << " and " << b << ", colour " << colour;
}

TEST(SkinEngineImage, IsTheBuiltLibrary) {
  const std::string built = readWholeFile(QUORLIN_SKIN_ENGINE_FILE);
  ASSERT_GT(built.size(), 4u);
  EXPECT_EQ(built.substr(0, 4), "\x7f" "ELF");
  EXPECT_TRUE(skinEngineImage() == built);
}

}  // namespace
