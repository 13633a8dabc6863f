#include "cipher/plausibility.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::array<TextClass, 128> asciiClasses = [] {
  std::array<TextClass, 128> classes{};
  for (int byte = 0; byte < 128; ++byte) {
    const bool alphanumeric = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
    if (alphanumeric || std::string_view("\t\n\r ,.;:!?'\"()-").find(static_cast<char>(byte)) != std::string_view::npos)
      classes[byte] = TextClass::common;
    else if (byte > 0x20 && byte < 0x7F)
      classes[byte] = TextClass::text;
    else
      classes[byte] = TextClass::other;
  }
  return classes;
}();

// A two-byte character by its lead byte, the second byte being A1 to FE: GB2312's rows, or other.
constexpr TextClass gb2312Class(unsigned char lead) {
  if (lead == 0xA1 || lead == 0xA3 || (lead >= 0xB0 && lead <= 0xD7)) return TextClass::common;
  if (lead == 0xA2 || (lead >= 0xA4 && lead <= 0xA9) || (lead >= 0xD8 && lead <= 0xF7)) return TextClass::text;
  return TextClass::other;
}

constexpr TextCharacter character(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x81 || lead == 0xFF || at + 1 == text.size()) return {1, lead < 0x80 ? asciiClasses[lead] : TextClass::other};
  const auto trail = static_cast<unsigned char>(text[at + 1]);
  if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return {1, TextClass::other};
  return {2, trail >= 0xA1 ? gb2312Class(lead) : TextClass::other};
}

// The measure reads a text byte by byte through a small machine made from character() above, so that it
// runs without a branch per character: its state is whether a lead byte waits for its second byte and, if
// so, the class of GB2312 row it leads; every lead of a class ends its character alike.
enum State : unsigned char { atStart, afterCommonLead, afterTextLead, afterOtherLead };
constexpr unsigned char leadOf[4] = {0, 0xB0, 0xD8, 0x81};  // a lead of each class

// What one byte adds to the measure, and the state after it.
struct Step {
  unsigned char windowBytes = 0;
  unsigned char otherBytes = 0;
  unsigned char weight = 0;
  State next = atStart;
};

constexpr Step counted(TextCharacter found) {
  Step step;
  step.windowBytes = static_cast<unsigned char>(found.size);
  if (found.kind == TextClass::common) step.weight = static_cast<unsigned char>(2 * found.size);
  else if (found.kind == TextClass::text) step.weight = static_cast<unsigned char>(found.size);
  else step.otherBytes = static_cast<unsigned char>(found.size);
  return step;
}

struct Machine {
  Step step[4][256];
  // After a lead: the lead's character alone, with the byte read only to end it (at the window's end).
  Step finish[4][256];
};

constexpr Machine machine = [] {
  Machine m{};
  for (int byte = 0; byte < 256; ++byte) {
    const char one[1] = {static_cast<char>(byte)};
    Step& fromStart = m.step[atStart][byte];
    if (byte >= 0x81 && byte <= 0xFE) {
      const TextClass rows = gb2312Class(static_cast<unsigned char>(byte));
      fromStart.next = rows == TextClass::common ? afterCommonLead : rows == TextClass::text ? afterTextLead : afterOtherLead;
    } else {
      fromStart = counted(character(std::string_view(one, 1), 0));
    }
  }
  for (int state = afterCommonLead; state <= afterOtherLead; ++state)
    for (int byte = 0; byte < 256; ++byte) {
      const char pair[2] = {static_cast<char>(leadOf[state]), static_cast<char>(byte)};
      const TextCharacter found = character(std::string_view(pair, 2), 0);
      Step step = counted(found);
      m.finish[state][byte] = step;
      if (found.size == 1) {  // a lone lead: the byte starts the next character
        const Step& after = m.step[atStart][byte];
        step.windowBytes = static_cast<unsigned char>(step.windowBytes + after.windowBytes);
        step.otherBytes = static_cast<unsigned char>(step.otherBytes + after.otherBytes);
        step.weight = static_cast<unsigned char>(step.weight + after.weight);
        step.next = after.next;
      }
      m.step[state][byte] = step;
    }
  return m;
}();

// The steps of one byte from all four states in one word, 16 bits each: the next state (2 bits), window
// bytes (2), other bytes (2) and weight (3). The loop's chain from one byte to the next is then a shift
// and a mask, where a table indexed by state and byte would wait for a load.
constexpr std::array<uint64_t, 256> packedSteps = [] {
  std::array<uint64_t, 256> packed{};
  for (int byte = 0; byte < 256; ++byte)
    for (int state = 0; state < 4; ++state) {
      const Step& step = machine.step[state][byte];
      const uint64_t fields = step.next | step.windowBytes << 2 | step.otherBytes << 4 | step.weight << 6;
      packed[byte] |= fields << 16 * state;
    }
  return packed;
}();
static_assert([] {
  for (const auto& steps : machine.step)
    for (const Step& step : steps)
      if (step.windowBytes > 3 || step.otherBytes > 3 || step.weight > 7) return false;
  return true;
}());

void add(Plausibility& measure, const Step& step) {
  measure.windowBytes += step.windowBytes;
  measure.otherBytes += step.otherBytes;
  measure.weight += step.weight;
}

}  // namespace

TextCharacter characterAt(std::string_view text, size_t at) { return character(text, at); }

Plausibility measureText(std::string_view text, bool more) {
  Plausibility measure;
  const size_t end = std::min(text.size(), plausibilityWindow);
  unsigned state = atStart;
  for (size_t at = 0; at < end; ++at) {
    const auto step = static_cast<unsigned>(packedSteps[static_cast<unsigned char>(text[at])] >> 16 * state);
    state = step & 3;
    measure.windowBytes += step >> 2 & 3;
    measure.otherBytes += step >> 4 & 3;
    measure.weight += step >> 6 & 7;
  }
  if (state != atStart) {
    if (end < text.size()) add(measure, machine.finish[state][static_cast<unsigned char>(text[end])]);
    else if (!more) add(measure, counted({1, TextClass::other}));
  }
  return measure;
}

double plausibilityScore(const Plausibility& measure) {
  if (measure.windowBytes == 0) return 1;
  return static_cast<double>(measure.weight) / static_cast<double>(2 * measure.windowBytes);
}

bool isPlausible(const Plausibility& measure) { return measure.otherBytes * 32 <= measure.windowBytes; }
