// Writes the 33 built-in skins as skin01.she ... skin33.she into the directory given as the only
// argument. Each skin is described here by a name, a hue and a saturation, light or dark; its colours
// are derived from them, and its size is the one the program's data fixes for that number.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "skin/skin_format.h"

namespace {

struct SkinDescription {
  int size;
  const char* name;
  double hue;  // degrees
  double saturation;
  bool dark;
};

constexpr std::array<SkinDescription, 33> skins = {{
    {15574, "Azure", 210, 0.70, false},   {9533, "Crimson", 350, 0.65, false},
    {19786, "Amber", 38, 0.85, false},    {19497, "Forest", 130, 0.45, false},
    {17699, "Violet", 275, 0.50, false},  {41098, "Midnight", 225, 0.45, true},
    {12564, "Coral", 12, 0.75, false},    {18930, "Teal", 180, 0.55, false},
    {13192, "Graphite", 0, 0.00, true},   {24409, "Lime", 85, 0.60, false},
    {30738, "Plum", 310, 0.40, true},     {8321, "Sky", 195, 0.75, false},
    {26370, "Rose", 335, 0.60, false},    {15733, "Olive", 65, 0.45, false},
    {12105, "Indigo", 245, 0.55, false},  {23603, "Ember", 20, 0.70, true},
    {20863, "Mint", 155, 0.50, false},    {16746, "Sand", 45, 0.40, false},
    {11676, "Ocean", 200, 0.55, true},    {17997, "Jade", 165, 0.60, false},
    {12882, "Orchid", 290, 0.55, false},  {37461, "Moss", 100, 0.40, true},
    {30958, "Cobalt", 220, 0.80, false},  {25715, "Ruby", 355, 0.60, true},
    {34523, "Saffron", 50, 0.90, false},  {28961, "Lagoon", 185, 0.65, true},
    {29447, "Lavender", 260, 0.40, false}, {15562, "Copper", 25, 0.55, false},
    {20738, "Pine", 145, 0.45, true},     {18765, "Magenta", 320, 0.70, false},
    {31134, "Steel", 205, 0.20, false},   {44110, "Aubergine", 285, 0.35, true},
    {20275, "Silver", 0, 0.00, false},
}};

constexpr int totalSize() {
  int total = 0;
  for (const SkinDescription& skin : skins) total += skin.size;
  return total;
}
static_assert(totalSize() == 726965);

uint32_t hsl(double hue, double saturation, double lightness) {
  const double chroma = (1 - std::fabs(2 * lightness - 1)) * saturation;
  const double sector = std::fmod(hue, 360.0) / 60;
  const double x = chroma * (1 - std::fabs(std::fmod(sector, 2.0) - 1));
  double r = 0, g = 0, b = 0;
  switch (int(sector)) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
  }
  const double m = lightness - chroma / 2;
  const auto channel = [m](double c) { return uint32_t(std::lround(std::clamp(c + m, 0.0, 1.0) * 255)); };
  return channel(r) << 16 | channel(g) << 8 | channel(b);
}

// Colours by SkinColour: pale surfaces with a strong menu bar for a light skin, deep surfaces with
// bright text for a dark one.
std::array<uint32_t, SKIN_COLOUR_COUNT> colours(const SkinDescription& skin) {
  const double h = skin.hue, s = skin.saturation;
  if (!skin.dark)
    return {hsl(h, s * 0.30, 0.92), hsl(h, s * 0.40, 0.12), hsl(h, s * 0.25, 0.985), hsl(h, s * 0.30, 0.08),
            hsl(h, s * 0.35, 0.86), hsl(h, s * 0.40, 0.12), hsl(h, s, 0.45),          0xFFFFFF,
            hsl(h, s * 0.80, 0.35), hsl(h, s * 0.20, 0.97), hsl(h, s * 0.50, 0.60),  hsl(h, s * 0.35, 0.96),
            hsl(h, s * 0.45, 0.84)};
  return {hsl(h, s * 0.35, 0.17), hsl(h, s * 0.20, 0.90), hsl(h, s * 0.30, 0.11), hsl(h, s * 0.15, 0.93),
          hsl(h, s * 0.35, 0.24), hsl(h, s * 0.20, 0.90), hsl(h, s, 0.55),        hsl(h, s * 0.50, 0.08),
          hsl(h, s * 0.60, 0.09), hsl(h, s * 0.30, 0.88), hsl(h, s * 0.50, 0.38), hsl(h, s * 0.45, 0.22),
          hsl(h, s * 0.30, 0.12)};
}

std::vector<unsigned char> skinBytes(const SkinDescription& skin) {
  std::vector<unsigned char> bytes(size_t(skin.size), 0);
  std::memcpy(bytes.data(), SKIN_MAGIC, sizeof SKIN_MAGIC);
  putSkinNumber(&bytes[4], 2, SKIN_VERSION);
  putSkinNumber(&bytes[6], 2, SKIN_HEADER_LENGTH);
  std::memcpy(&bytes[SKIN_NAME_OFFSET], skin.name, std::min(std::strlen(skin.name), SKIN_NAME_LENGTH - 1));
  const auto values = colours(skin);
  for (size_t i = 0; i < values.size(); ++i) putSkinNumber(&bytes[SKIN_COLOURS_OFFSET + 4 * i], 4, values[i]);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  for (int number = 1; number <= int(skins.size()); ++number) {
    const std::string path = std::string(argv[1]) + (number < 10 ? "/skin0" : "/skin") + std::to_string(number) + ".she";
    const std::vector<unsigned char> bytes = skinBytes(skins[size_t(number - 1)]);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
      return 1;
    }
  }
  return 0;
}
