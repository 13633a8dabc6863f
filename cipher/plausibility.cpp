#include "cipher/plausibility.h"

#include <algorithm>
#include <array>
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
  State state = atStart;
  for (size_t at = 0; at < end; ++at) {
    const Step& step = machine.step[state][static_cast<unsigned char>(text[at])];
    add(measure, step);
    state = step.next;
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
